#include "app/page_memory_messages.h"

#include "common/paths.h"

namespace pagemind::app {

using pages::FileProblem;
using pages::MemoryFile;

namespace {

std::string SizeText(std::size_t limit) {
  constexpr std::size_t kKilo = 1024;
  return limit % (kKilo * kKilo) == 0 ? std::to_string(limit / (kKilo * kKilo)) + " MB"
                                      : std::to_string(limit / kKilo) + " KB";
}

std::string WhatItIsNot(MemoryFile file) {
  switch (file) {
    case MemoryFile::kSlotFile:
      return "ページのアドレスではありません。";
    case MemoryFile::kRecoveryCopy:
      return "記憶したページの復元用のファイルではありません。";
    case MemoryFile::kHistoryFile:
      return "ページの組の記録ではありません。";
    case MemoryFile::kOther:
      return {};
  }
  return {};
}

std::string OutcomeText(const FileProblem& problem) {
  switch (problem.outcome) {
    case FileProblem::Outcome::kLeft:
      return {};
    case FileProblem::Outcome::kMovedAside:
      return "「" + Utf8FromPath(problem.movedTo) + "」に名前を変えて残しました。";
    case FileProblem::Outcome::kNotMovedAside:
      return "別の名前に移せませんでした（" + problem.moveReason +
             "）。このファイルは上書きも削除もせず、移せるようになったときに同じフォルダの"
             "「recovery.pmr.unread」に番号を付けた名前に移します。それまでは、記憶したページを"
             "復元用のファイルに残せません。";
  }
  return {};
}

std::string ListProblems(const pages::FileProblems& problems) {
  std::string text;
  for (const auto& problem : problems) {
    text += Utf8FromPath(problem.path) + "\r\n    " + ProblemReason(problem) + "\r\n";
    if (const auto outcome = OutcomeText(problem); !outcome.empty()) {
      text += "    " + outcome + "\r\n";
    }
  }
  return text;
}

}  // namespace

std::string ProblemReason(const FileProblem& problem) {
  if (problem.error != platform::FileError::kTooLarge || problem.limit == 0) {
    return problem.reason;
  }
  return "ファイルが大きすぎます（" + SizeText(problem.limit) + " を超えています）。" +
         WhatItIsNot(problem.file);
}

std::string StartupProblemsMessage(const pages::FileProblems& problems) {
  return "前回記憶したページを読み込めませんでした。\r\n\r\n" + ListProblems(problems) +
         "\r\n読み込めなかったファイルは消さずに残してあります。";
}

std::string EndWithoutSavingQuestion(const pages::FileProblems& problems,
                                     const pages::KeptPages& kept) {
  const auto count = std::to_string(kept.count);
  std::string whatIsKept;
  if (kept.count == 0) {
    whatIsKept =
        "いま記憶しているページはないため、保存せずに終了しても失われるページはありません。";
  } else if (!kept.recoveryCopy.empty()) {
    whatIsKept =
        "記憶しているページ " + count + " 件は、すべて復元用のファイル「" +
        Utf8FromPath(kept.recoveryCopy) +
        "」に残してあります。保存せずに終了しても、次に起動したときにそこから読み込みます。";
  } else {
    whatIsKept = "記憶しているページ " + count +
                 " 件は、復元用のファイルにも残せていません。保存せずに終了すると、保存できなかった"
                 "ページは失われます。";
  }
  return "記憶したページをファイルに保存できませんでした。\r\n\r\n" + ListProblems(problems) +
         "\r\n" + whatIsKept +
         "\r\n\r\n保存せずに終了しますか？\r\n「いいえ」を選ぶと、終了せずに常駐を続けます。"
         "ディスクの空きやフォルダの書き込み権限を確かめてから、もう一度「終了」を選んでください。";
}

}  // namespace pagemind::app
