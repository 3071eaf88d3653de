#include "app/browser_pages.h"

#include "app/browser_messages.h"
#include "browsers/firefox_reader.h"
#include "pages/browser_sets.h"

namespace pagemind::app {

BrowserPages::BrowserPages(platform::Ports ports)
    : ports_(ports), fallback_(ports.shell, ports.files) {}

void BrowserPages::Start(bool on) {
  std::error_code localError;
  std::error_code roamingError;
  const auto local = ports_.userFolders.Locate(platform::UserFolder::kLocalAppData, localError);
  const auto roaming =
      ports_.userFolders.Locate(platform::UserFolder::kRoamingAppData, roamingError);
  reopener_.emplace(ports_.programs, ports_.files, local, fallback_);
  // Without the user's folders there is nothing to watch.
  if (!on || localError || roamingError) return;
  chromium_.emplace(ports_.files, local, roaming);
  firefox_.emplace(ports_.files, roaming);
}

std::vector<pages::PageSet> BrowserPages::Tick(pages::PageMemory& memory,
                                               access_log::AccessLog& log) {
  if (!chromium_) {
    // Nothing watched will ever tell whether the pages a killed run left from a browser still
    // run: they are the history's alone.
    if (!memory.liveBrowserSets().empty()) memory.SetLiveBrowserSets({});
    return {};
  }
  if (ticksUntilCheck_-- > 0) return {};
  ticksUntilCheck_ = kTicksPerCheck - 1;
  const auto lastKept = [&memory](std::string_view browser, std::string_view profile) {
    return memory.LastBrowserSession({std::string(browser), std::string(profile)});
  };
  auto findings = chromium_->Check(lastKept);
  auto firefox = firefox_->Check(lastKept);
  for (auto& ended : firefox.ended) findings.ended.push_back(std::move(ended));
  for (auto& problem : firefox.problems) findings.problems.push_back(std::move(problem));
  if (firefox.live) {
    std::vector<pages::PageSet> live;
    for (const auto& session : *firefox.live) {
      auto set = pages::BrowserSetFromSession(session, ports_.clock.Now());
      if (!set.pages.empty()) live.push_back(std::move(set));
    }
    memory.SetLiveBrowserSets(std::move(live));
  }
  for (const auto& problem : findings.problems) {
    log.RecordBrowserNote(BrowserProblemLine(problem, ports_.files));
  }
  std::vector<pages::PageSet> offered;
  for (auto& ended : findings.ended) {
    TakeEndOfWindowsSession(memory, ended);
    auto set = pages::BrowserSetFromSession(ended, ports_.clock.Now());
    if (set.pages.empty()) {
      // A later session of the profile, if with nothing to keep (only the browser's own pages):
      // the user has been back in that browser, and an earlier crash is no longer offered.
      for (const auto& offered : pages::SetsToReopen(memory.history())) {
        if (offered.browser->source == set.browser->source) memory.MarkReopened(offered);
      }
      continue;
    }
    if (!memory.KeepBrowserSet(set)) continue;
    log.RecordBrowserNote(BrowserSetKeptLine(set));
    if (pages::OfferedForReopen(set)) offered.push_back(std::move(set));
  }
  return offered;
}

void BrowserPages::TakeEndOfWindowsSession(pages::PageMemory& memory,
                                           browsers::EndedSession& ended) {
  // Firefox ends normally when Windows ends the session; this program saw that end (see
  // EndLiveBrowserSets) and kept the pages it then had. The session Firefox wrote last in that
  // same shutdown is that end, and takes its place in the offer.
  if (ended.end != browsers::BrowserEnd::kNormal || ended.browser != browsers::kFirefoxName) {
    return;
  }
  const pages::PageSource source{ended.browser, ended.profile};
  for (const auto& set : memory.history()) {
    if (!set.browser || set.browser->source != source) continue;
    if (set.browser->end == browsers::BrowserEnd::kSessionEnded && !set.browser->reopened &&
        ended.session / 1000 - set.time <= kSameShutdownSeconds) {
      ended.end = browsers::BrowserEnd::kSessionEnded;
      memory.MarkReopened(set);
    }
    return;
  }
}

std::vector<std::string> BrowserPages::ReopenOffered(pages::PageMemory& memory) {
  std::vector<std::string> unopened;
  if (!reopener_) return unopened;
  for (const auto& set : pages::SetsToReopen(memory.history())) {
    auto failed = reopener_->Open(set);
    unopened.insert(unopened.end(), failed.begin(), failed.end());
    memory.MarkReopened(set);
  }
  return unopened;
}

std::vector<std::string> BrowserPages::OpenChosen(const pages::ChosenGroup& group) {
  if (!reopener_) return fallback_.Open(group.addresses);
  return reopener_->OpenInOneWindow(group.source, group.addresses, group.profileName);
}

std::size_t BrowserPages::OfferedPages(const pages::PageMemory& memory) {
  std::size_t pages = 0;
  for (const auto& set : pages::SetsToReopen(memory.history())) pages += set.pages.size();
  return pages;
}

}  // namespace pagemind::app
