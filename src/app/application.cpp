#include "app/application.h"

namespace pagemind::app {

Application::Application(platform::Ports ports) : ports_(ports) {}

void Application::Start() {
  logo_ = std::make_unique<Logo>(ports_, *this);
  if (!logo_->Load()) return;
  if (logo_->showAfterLoad()) logo_->Show();
}

void Application::SplashTimeIsUp() {
  host_ = std::make_unique<ResidentHost>(ports_);
  host_->Start();
  logo_->Unload(platform::UnloadReason::kProgram);
  logo_.reset();
  host_->ReportStartupProblems();
}

void Application::EndProcessNow() {
  ports_.program.EndProcess();
}

}  // namespace pagemind::app
