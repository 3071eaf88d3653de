#include "app/browser_messages.h"

#include <initializer_list>
#include <string_view>

#include "browsers/browser_errors.h"
#include "browsers/firefox_error.h"
#include "common/paths.h"
#include "forms/browser_names.h"

namespace pagemind::app {

namespace {

std::string BrowserReason(browsers::BrowserFileError error) {
  using browsers::BrowserFileError;
  switch (error) {
    case BrowserFileError::kTooLarge:
      return "ファイルが大きすぎるため、読み込みません。";
    case BrowserFileError::kNotASessionFile:
      return "ブラウザのセッションファイルではないため、読み込みません。";
    case BrowserFileError::kUnknownVersion:
      return "Pagemind の知らない形式のセッションファイルのため、読み込みません。";
    case BrowserFileError::kEncrypted:
    case BrowserFileError::kOnlyEncrypted:
      return "セッションが暗号化されたファイルにしかないため、Pagemind では読めません。";
    case BrowserFileError::kTornTail:
      return "ファイルの最後が途中で切れています。その前までのページを保存します。";
    case BrowserFileError::kDamagedRecords:
      return "壊れた記録があります。読めた記録のページを保存します。";
    case BrowserFileError::kNoSnapshotMarker:
      return "記録が完結していません。読めた記録のページを保存します。";
    case BrowserFileError::kNotJson:
    case BrowserFileError::kMissingKey:
    case BrowserFileError::kWrongType:
    case BrowserFileError::kUnknownValue:
      return "内容を読み取れません。";
    case BrowserFileError::kNoSessionFile:
      return "セッションファイルがありません。";
  }
  return "読み込めません。";
}

std::string FirefoxReason(browsers::FirefoxError error) {
  using browsers::FirefoxError;
  switch (error) {
    case FirefoxError::kNotMozLz4:
    case FirefoxError::kDeclaredTooLarge:
    case FirefoxError::kSizeMismatch:
    case FirefoxError::kBlockDamaged:
      return "Firefox のセッションファイルではないか、壊れています。";
    case FirefoxError::kFileTooLarge:
      return "ファイルが大きすぎるため、読み込みません。";
    case FirefoxError::kBlockTruncated:
    case FirefoxError::kJsonTruncated:
      return "ファイルが途中で切れています。";
    case FirefoxError::kJsonInvalidUtf8:
    case FirefoxError::kJsonSyntax:
    case FirefoxError::kNotASession:
      return "内容を読み取れません。";
    case FirefoxError::kRestorePageDamaged:
      return "「セッションの復元」のページが保持しているセッションを読み取れません。";
    case FirefoxError::kOutOfMemory:
      return "メモリが足りないため、読み込めません。";
    case FirefoxError::kNoSessionFile:
      return "セッションファイルがありません。";
  }
  return "読み込めません。";
}

// Piece by piece: GCC 12 warns falsely (-Wrestrict) about chains of std::string's operator+.
std::string Joined(std::initializer_list<std::string_view> parts) {
  std::string text;
  for (const auto part : parts) text.append(part);
  return text;
}

}  // namespace

std::string BrowserEndCause(const pages::PageSet& set) {
  if (!set.browser) return {};
  const auto& origin = *set.browser;
  const auto who =
      BrowserProfileName(origin.source.browser, origin.profileName, origin.source.profile);
  if (origin.end == browsers::BrowserEnd::kSessionEnded) {
    return Joined({who, "は Windows の終了で閉じられました。"});
  }
  return Joined({who, "が異常終了しました。"});
}

std::string BrowserProblemLine(const browsers::WatchProblem& problem,
                               const platform::FileSystem& files) {
  const auto& category = problem.error.category();
  const auto reason =
      category == browsers::BrowserFileCategory()
          ? BrowserReason(static_cast<browsers::BrowserFileError>(problem.error.value()))
      : category == browsers::FirefoxErrorCategory()
          ? FirefoxReason(static_cast<browsers::FirefoxError>(problem.error.value()))
          : files.DescribeError(problem.error);
  return Joined({BrowserProfileName(problem.browser, problem.profileName, {}), ": ", reason, " ",
                 Utf8FromPath(problem.path)});
}

std::string BrowserSetKeptLine(const pages::PageSet& set) {
  if (!set.browser) return {};
  const auto& origin = *set.browser;
  std::string_view how = "終了";
  if (origin.end == browsers::BrowserEnd::kCrashed) how = "異常終了";
  if (origin.end == browsers::BrowserEnd::kSessionEnded) how = "Windows の終了";
  return Joined(
      {BrowserProfileName(origin.source.browser, origin.profileName, origin.source.profile), ": ",
       how, "、", std::to_string(set.pages.size()), " ページを保存しました。"});
}

}  // namespace pagemind::app
