#pragma once
// Commands. Menu items and buttons bound to an action take its caption and
// enabled state; the idle update (TApplication::DoIdle) refreshes them.

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TAction;

// Something that shows an action: a menu item or a button.
class TActionClient {
 public:
  virtual ~TActionClient();
  TAction* Action() const { return FAction; }
  // Binds the client (null unbinds) and takes the action's state.
  void SetAction(TAction* action);
  virtual void ActionChanged() = 0;

 private:
  friend class TAction;
  TAction* FAction = nullptr;  // not owned; cleared when the action goes
};

class TAction {
 public:
  explicit TAction(std::wstring caption) : FCaption(std::move(caption)) {}
  ~TAction();
  TAction(const TAction&) = delete;
  TAction& operator=(const TAction&) = delete;

  const std::wstring& Caption() const { return FCaption; }
  void SetCaption(std::wstring caption);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);

  std::function<void()> OnExecute;
  // Runs at idle; sets the enabled state.
  std::function<void()> OnUpdate;

  // Runs OnExecute, guarded, when enabled by its OnUpdate now.
  void Execute();
  void Update();

  void AddClient(TActionClient* client);
  void RemoveClient(TActionClient* client);

 private:
  void Notify();
  std::wstring FCaption;
  bool FEnabled = true;
  std::vector<TActionClient*> FClients;  // not owned
};

class TActionList {
 public:
  TActionList();
  ~TActionList();
  TActionList(const TActionList&) = delete;
  TActionList& operator=(const TActionList&) = delete;

  TAction* Add(std::wstring caption);
  const std::vector<std::unique_ptr<TAction>>& Actions() const { return FActions; }
  // Every action's OnUpdate.
  void UpdateActions();

 private:
  std::vector<std::unique_ptr<TAction>> FActions;
};
