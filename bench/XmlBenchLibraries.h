#pragma once
// One adapter per XML library under test: load a file into a DOM that stays
// alive, save that DOM to a file, and answer two questions about it so that a
// parser that silently read less cannot win.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class TBenchLibrary {
 public:
  virtual ~TBenchLibrary() = default;
  virtual const char* Name() const = 0;
  // Makes the empty document that Load fills, outside the timed part.
  virtual void Prepare() = 0;
  virtual void Load(const std::string& path) = 0;
  virtual void Save(const std::string& path) = 0;
  // Frees the DOM and everything the library keeps for it.
  virtual void Release() = 0;
  // Element children of the root.
  virtual size_t EntryCount() const = 0;
  // The text of the named child of the last entry, with entities decoded.
  virtual std::string LastEntryField(const std::string& name) const = 0;
};

// Tollivane first, pugixml second (the reference for the ratios).
std::vector<std::unique_ptr<TBenchLibrary>> MakeBenchLibraries();
