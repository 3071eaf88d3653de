#include "platform/files.h"

namespace pagemind::platform {

namespace {

class FileErrorCategoryImpl final : public std::error_category {
 public:
  const char* name() const noexcept override { return "pagemind.file"; }
  std::string message(int value) const override {
    switch (static_cast<FileError>(value)) {
      case FileError::kTooLarge:
        // Each reader knows its file's limit and says it; this is the reason without them.
        return "ファイルが大きすぎます。";
      case FileError::kDamaged:
        return "Pagemind の記録ファイルではないか、壊れています。読み込まずに置き換えます。";
      case FileError::kTruncated:
        return "ファイルが途中で切れています。読み込めた分のページだけを使います。";
      case FileError::kNotAFolder:
        return "同じ名前のファイルがあるため、フォルダとして使えません。";
      case FileError::kHeldOpen:
        return "ほかのプログラムがファイルを開いたまま使っているため、読み込めません。";
      case FileError::kTooManyEntries:
        return "フォルダの中の項目が多すぎるため、すべては調べていません。";
    }
    return "ファイルの操作に失敗しました。";
  }
};

}  // namespace

const std::error_category& FileErrorCategory() {
  static const FileErrorCategoryImpl category;
  return category;
}

std::error_code make_error_code(FileError e) {
  return {static_cast<int>(e), FileErrorCategory()};
}

std::error_code FileSystem::ReplaceFileContents(const std::filesystem::path& path,
                                                std::string_view bytes) {
  const FileReplacement one{path, bytes};
  return ReplaceFilesContents(std::span(&one, 1)).front();
}

}  // namespace pagemind::platform
