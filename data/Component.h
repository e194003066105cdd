#pragma once
// What the data components share with the window that owns them: a component name, used in
// error messages and connection lookups, and the owner they belong to.

#include <string>

namespace lw {

// The owner of a set of components (the main window). Only its identity and name matter here.
class ComponentOwner {
 public:
  explicit ComponentOwner(std::string name) : name_(std::move(name)) {}
  ComponentOwner(const ComponentOwner&) = delete;
  ComponentOwner& operator=(const ComponentOwner&) = delete;
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
};

class TComponent {
 public:
  TComponent(std::string name, const ComponentOwner* owner) : name_(std::move(name)), owner_(owner) {}
  virtual ~TComponent() = default;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  const ComponentOwner* Owner() const { return owner_; }
  std::string OwnerName() const { return owner_ ? owner_->Name() : std::string(); }

 private:
  std::string name_;
  const ComponentOwner* owner_;
};

}  // namespace lw
