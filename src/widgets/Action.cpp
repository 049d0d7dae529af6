#include "widgets/Action.h"

#include <algorithm>

#include "widgets/Control.h"
#include "widgets/Form.h"

TAction::~TAction() {
  for (TActionClient* client : FClients) client->FAction = nullptr;
}

TActionClient::~TActionClient() {
  if (FAction) FAction->RemoveClient(this);
}

void TActionClient::SetAction(TAction* action) {
  if (FAction) FAction->RemoveClient(this);
  FAction = action;
  if (FAction) {
    FAction->AddClient(this);
    ActionChanged();
  }
}

void TAction::SetCaption(std::wstring caption) {
  if (caption == FCaption) return;
  FCaption = std::move(caption);
  Notify();
}

void TAction::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  Notify();
}

void TAction::Execute() {
  // The enabled state of the last idle update may be stale by now (a dialog
  // came up since); the rule decides at the moment of use.
  Update();
  if (FEnabled && OnExecute) Guarded(OnExecute);
}

void TAction::Update() {
  if (OnUpdate) Guarded(OnUpdate);
}

void TAction::AddClient(TActionClient* client) { FClients.push_back(client); }
void TAction::RemoveClient(TActionClient* client) { std::erase(FClients, client); }

void TAction::Notify() {
  for (TActionClient* client : FClients) client->ActionChanged();
}

TActionList::TActionList() { Application.AddActionList(this); }
TActionList::~TActionList() { Application.RemoveActionList(this); }

TAction* TActionList::Add(std::wstring caption) {
  FActions.push_back(std::make_unique<TAction>(std::move(caption)));
  return FActions.back().get();
}

void TActionList::UpdateActions() {
  for (auto& action : FActions) action->Update();
}
