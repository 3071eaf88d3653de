#include "app/application.h"

namespace pagemind::app {

Application::Application(platform::Ports ports) : ports_(ports), settings_(ports), about_(ports) {}

void Application::Start() {
  logo_ = std::make_unique<Logo>(ports_, *this);
  if (!logo_->Load()) return;
  if (logo_->showAfterLoad()) logo_->Show();
}

void Application::SplashTimeIsUp() {
  main_ = std::make_unique<Main>(ports_, *this);
  main_->Load();
  logo_->Unload(platform::UnloadReason::kProgram);
  logo_.reset();
  main_->ReportStartupProblems();
}

void Application::EndProgram() {
  main_->Unload(platform::UnloadReason::kProgram);
  if (settings_.loaded()) settings_.Unload();
  // The about window, if loaded, goes with the process.
  EndProcessNow();
}

void Application::CloseModalWindows() {
  if (settings_.IsShown()) settings_.Unload();
  if (about_.IsShown()) about_.Unload();
}

void Application::EndProcessNow() {
  ports_.program.EndProcess();
}

}  // namespace pagemind::app
