// The trace: one JSON object a line, each with "t" (milliseconds since start)
// and "ev", written by the module that does the thing. Strings given as CP932
// are converted to UTF-8 here, at the edge.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace nurumo {

class Trace {
 public:
  class Line;

  // Start writing to out (nullptr: the trace is off). clock gives "t". When
  // a line cannot be written (a closed pipe, a full disk) the trace stops
  // and `failed` hears the reason (UTF-8), once.
  void Open(std::ostream* out, std::function<uint32_t()> clock,
            std::function<void(const std::string&)> failed = nullptr);
  bool enabled() const { return out_ != nullptr; }

  // Begin a line: Event("wave").Str("file", name).Bool("loop", true);
  // the line is written when the temporary is destroyed.
  Line Event(std::string_view ev);

  class Line {
   public:
    Line(Line&&) = delete;
    ~Line();
    Line& Str(std::string_view key, std::string_view cp932);   // converted to UTF-8
    Line& Utf8(std::string_view key, std::string_view utf8);
    Line& Int(std::string_view key, int64_t value);
    Line& Bool(std::string_view key, bool value);
    Line& Ints(std::string_view key, const std::vector<int32_t>& values);
    Line& Strs(std::string_view key, const std::vector<std::string>& cp932_values);
    Line& Raw(std::string_view key, std::string_view json);  // an already formed JSON value

   private:
    friend class Trace;
    Line(Trace* trace, std::string_view ev);
    void Key(std::string_view key);
    Trace* trace_;
    std::string text_;
  };

  // A JSON string literal (with quotes) for the given UTF-8 text.
  static std::string Quote(std::string_view utf8);

 private:
  std::ostream* out_ = nullptr;
  std::function<uint32_t()> clock_;
  std::function<void(const std::string&)> failed_;
};

}  // namespace nurumo
