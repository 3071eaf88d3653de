#pragma once

// Writes session files as Chromium writes them (command_storage_backend.cc, base/pickle.cc),
// for the reader's tests and benchmark: each command built field by field, so a test states the
// exact bytes the browser would have written.

#include <cstdint>
#include <string>
#include <string_view>

namespace pagemind::testing {

class Pickle {
 public:
  Pickle& Int(std::int32_t v) { return Raw(&v, 4); }
  Pickle& Int64(std::int64_t v) { return Raw(&v, 8); }
  Pickle& String(std::string_view s) {
    Int(static_cast<std::int32_t>(s.size()));
    return Raw(s.data(), s.size());
  }
  Pickle& String16(std::u16string_view s) {
    Int(static_cast<std::int32_t>(s.size()));
    return Raw(s.data(), s.size() * 2);
  }
  // The pickle with its header: the payload's size, then the payload.
  [[nodiscard]] std::string Bytes() const {
    const auto size = static_cast<std::uint32_t>(payload_.size());
    return std::string(reinterpret_cast<const char*>(&size), 4) + payload_;
  }

 private:
  Pickle& Raw(const void* data, std::size_t size) {
    payload_.append(static_cast<const char*>(data), size);
    payload_.append((4 - size % 4) % 4, '\0');
    return *this;
  }
  std::string payload_;
};

class SnssWriter {
 public:
  explicit SnssWriter(std::int32_t version = 3) {
    Raw(std::int32_t{0x53534E53});
    Raw(version);
  }

  SnssWriter& Record(std::uint8_t id, std::string_view payload) {
    const auto size = static_cast<std::uint16_t>(payload.size() + 1);
    bytes_.append(reinterpret_cast<const char*>(&size), 2);
    bytes_ += static_cast<char>(id);
    bytes_ += payload;
    return *this;
  }
  SnssWriter& Ints(std::uint8_t id, std::int32_t a, std::int32_t b) {
    return Record(id, Packed(a, b));
  }

  SnssWriter& TabWindow(std::int32_t window, std::int32_t tab) { return Ints(0, window, tab); }
  SnssWriter& TabIndex(std::int32_t tab, std::int32_t index) { return Ints(2, tab, index); }
  SnssWriter& Navigation(std::int32_t tab, std::int32_t index, std::string_view url,
                         std::u16string_view title) {
    return Record(6, Pickle()
                         .Int(tab)
                         .Int(index)
                         .String(url)
                         .String16(title)
                         .String("page state")
                         .Int(0)  // transition
                         .Int(0)  // type mask
                         .String("http://127.0.0.1/referrer")
                         .Bytes());
  }
  SnssWriter& SelectedNavigation(std::int32_t tab, std::int32_t index) {
    return Ints(7, tab, index);
  }
  SnssWriter& SelectedTab(std::int32_t window, std::int32_t index) {
    return Ints(8, window, index);
  }
  SnssWriter& WindowType(std::int32_t window, std::int32_t type) { return Ints(9, window, type); }
  SnssWriter& Pinned(std::int32_t tab, bool pinned) {
    return Record(12, Packed(tab, pinned ? 1 : 0));
  }
  SnssWriter& Closed(std::uint8_t id, std::int32_t which) {
    std::string payload = Packed(which, 0);
    const std::int64_t time = 13'300'000'000'000'000;
    payload.append(reinterpret_cast<const char*>(&time), 8);
    return Record(id, payload);
  }
  SnssWriter& TabClosed(std::int32_t tab) { return Closed(16, tab); }
  SnssWriter& WindowClosed(std::int32_t window) { return Closed(17, window); }
  SnssWriter& Pruned(std::int32_t tab, std::int32_t index, std::int32_t count) {
    return Record(24, Packed(tab, index) + Packed(count, 0).substr(0, 4));
  }
  SnssWriter& Marker() { return Record(255, ""); }

  // A window of the given type with one tab at one page, the commands in the browser's order.
  SnssWriter& SimpleTab(std::int32_t window, std::int32_t tab, std::int32_t index,
                        std::string_view url, std::u16string_view title = u"") {
    TabWindow(window, tab);
    TabIndex(tab, index);
    Navigation(tab, 0, url, title);
    return SelectedNavigation(tab, 0);
  }

  [[nodiscard]] const std::string& bytes() const { return bytes_; }

 private:
  static std::string Packed(std::int32_t a, std::int32_t b) {
    std::string s(reinterpret_cast<const char*>(&a), 4);
    s.append(reinterpret_cast<const char*>(&b), 4);
    return s;
  }
  void Raw(std::int32_t v) { bytes_.append(reinterpret_cast<const char*>(&v), 4); }
  std::string bytes_;
};

}  // namespace pagemind::testing
