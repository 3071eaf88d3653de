#include "platform/headless/scripted_shell.h"

namespace pagemind::platform::headless {

namespace {

class ScriptedBrowser final : public Browser {
 public:
  ScriptedBrowser(ScriptedShell& shell, std::shared_ptr<ScriptedWindow> window, bool created)
      : shell_(shell), window_(std::move(window)), created_(created) {
    ++shell_.liveBrowsers;
  }
  ~ScriptedBrowser() override { --shell_.liveBrowsers; }
  ScriptedBrowser(const ScriptedBrowser&) = delete;
  ScriptedBrowser& operator=(const ScriptedBrowser&) = delete;

  std::optional<std::string> LocationUrl() override {
    if (shell_.Call("LocationURL") || !window_->alive || window_->failUrl) return std::nullopt;
    return window_->url;
  }
  std::uintptr_t WindowId() override { return window_->alive ? window_->id : 0; }
  platform::WindowKind Kind() override {
    if (shell_.Call("Kind") || !window_->alive || !window_->folder) {
      return platform::WindowKind::kBrowser;
    }
    return platform::WindowKind::kFolder;
  }
  std::optional<std::string> LocationName() override {
    if (shell_.Call("LocationName") || !window_->alive || window_->failTitle) return std::nullopt;
    return window_->title;
  }
  bool Navigate(std::string_view address) override {
    if (shell_.Call("Navigate2", std::string(address)) || !window_->alive) return false;
    window_->url = std::string(address);
    window_->title = "Title of " + window_->url;
    return true;
  }
  bool SetVisible(bool visible) override {
    if (shell_.Call("Visible") || !window_->alive) return false;
    if (visible && created_ && !shown_) {
      shown_ = true;
      shell_.windows.push_back(window_);
    }
    return true;
  }
  void Quit() override {
    shell_.Call("Quit");
    window_->alive = false;
    ++shell_.quitCount;
  }

 private:
  ScriptedShell& shell_;
  std::shared_ptr<ScriptedWindow> window_;
  bool created_;
  bool shown_ = false;
};

class ScriptedWindowList final : public BrowserWindowList {
 public:
  explicit ScriptedWindowList(ScriptedShell& shell)
      : shell_(shell), generation_(shell.generation) {}

  std::optional<int> Count() override {
    if (shell_.Call("Count") || Lost()) return std::nullopt;
    return static_cast<int>(shell_.windows.size());
  }
  bool Lost() const override { return generation_ != shell_.generation; }
  std::optional<std::unique_ptr<Browser>> Item(int index) override {
    if (shell_.Call("Item", std::to_string(index)) || Lost()) return std::nullopt;
    if (index < 0 || static_cast<std::size_t>(index) >= shell_.windows.size()) {
      return std::unique_ptr<Browser>();
    }
    if (shell_.windows[static_cast<std::size_t>(index)]->notABrowser) return std::nullopt;
    return std::make_unique<ScriptedBrowser>(
        shell_, shell_.windows[static_cast<std::size_t>(index)], false);
  }

 private:
  ScriptedShell& shell_;
  int generation_;
};

}  // namespace

std::shared_ptr<ScriptedWindow> ScriptedShell::Open(std::string url, std::string title) {
  auto window = std::make_shared<ScriptedWindow>();
  window->id = ++lastWindowId;
  window->url = std::move(url);
  window->title = std::move(title);
  windows.push_back(window);
  return window;
}

std::shared_ptr<ScriptedWindow> ScriptedShell::OpenFolder(std::string url) {
  auto window = Open(std::move(url), "");
  window->folder = true;
  return window;
}

void ScriptedShell::Crash() {
  std::erase_if(windows, [](const std::shared_ptr<ScriptedWindow>& window) {
    if (window->folder) return false;
    window->alive = false;
    return true;
  });
}

void ScriptedShell::Close(std::size_t index) {
  windows.at(index)->alive = false;
  windows.erase(windows.begin() + static_cast<std::ptrdiff_t>(index));
}

bool ScriptedShell::Call(const std::string& name, const std::string& argument) {
  if (beforeCall) beforeCall(name);
  calls.push_back(argument.empty() ? name : name + " " + argument);
  return failing.contains(name);
}

std::unique_ptr<BrowserWindowList> ScriptedShell::CreateWindowList() {
  if (Call("CreateWindowList")) return nullptr;
  return std::make_unique<ScriptedWindowList>(*this);
}

std::unique_ptr<Browser> ScriptedShell::CreateBrowser() {
  if (Call("CreateBrowser")) return nullptr;
  auto window = std::make_shared<ScriptedWindow>();
  window->id = ++lastWindowId;
  created.push_back(window);
  return std::make_unique<ScriptedBrowser>(*this, window, true);
}

bool ScriptedShell::OpenWithShell(std::string_view target,
                                  const std::filesystem::path& workingFolder) {
  if (Call("ShellExecute", std::string(target))) return false;
  shellOpened.emplace_back(target);
  shellOpenedIn.push_back(workingFolder);
  return true;
}

}  // namespace pagemind::platform::headless
