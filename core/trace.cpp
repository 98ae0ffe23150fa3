#include "core/trace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/text.h"

namespace nurumo {

void Trace::Open(std::ostream* out, std::function<uint32_t()> clock,
                 std::function<void(const std::string&)> failed) {
  out_ = out;
  clock_ = std::move(clock);
  failed_ = std::move(failed);
}

Trace::Line Trace::Event(std::string_view ev) { return Line(enabled() ? this : nullptr, ev); }

Trace::Line::Line(Trace* trace, std::string_view ev) : trace_(trace) {
  if (trace_) {
    text_ = "{\"t\":" + std::to_string(trace_->clock_ ? trace_->clock_() : 0) + ",\"ev\":" + Quote(ev);
  }
}

Trace::Line::~Line() {
  if (!trace_) return;
  text_ += "}\n";
  errno = 0;
  *trace_->out_ << text_;
  trace_->out_->flush();
  if (*trace_->out_) return;
  const std::string reason = errno != 0 ? std::strerror(errno) : "write error";
  trace_->out_ = nullptr;  // the rest of the run goes on untraced
  if (trace_->failed_) trace_->failed_(reason);
}

void Trace::Line::Key(std::string_view key) {
  text_ += ',';
  text_ += Quote(key);
  text_ += ':';
}

Trace::Line& Trace::Line::Str(std::string_view key, std::string_view cp932) {
  if (trace_) { Key(key); text_ += Quote(Cp932ToUtf8(cp932)); }
  return *this;
}

Trace::Line& Trace::Line::Utf8(std::string_view key, std::string_view utf8) {
  if (trace_) { Key(key); text_ += Quote(utf8); }
  return *this;
}

Trace::Line& Trace::Line::Int(std::string_view key, int64_t value) {
  if (trace_) { Key(key); text_ += std::to_string(value); }
  return *this;
}

Trace::Line& Trace::Line::Bool(std::string_view key, bool value) {
  if (trace_) { Key(key); text_ += value ? "true" : "false"; }
  return *this;
}

Trace::Line& Trace::Line::Ints(std::string_view key, const std::vector<int32_t>& values) {
  if (!trace_) return *this;
  Key(key);
  text_ += '[';
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i) text_ += ',';
    text_ += std::to_string(values[i]);
  }
  text_ += ']';
  return *this;
}

Trace::Line& Trace::Line::Strs(std::string_view key, const std::vector<std::string>& cp932_values) {
  if (!trace_) return *this;
  Key(key);
  text_ += '[';
  for (std::size_t i = 0; i < cp932_values.size(); ++i) {
    if (i) text_ += ',';
    text_ += Quote(Cp932ToUtf8(cp932_values[i]));
  }
  text_ += ']';
  return *this;
}

Trace::Line& Trace::Line::Raw(std::string_view key, std::string_view json) {
  if (trace_) { Key(key); text_ += json; }
  return *this;
}

std::string Trace::Quote(std::string_view utf8) {
  std::string out = "\"";
  for (char ch : utf8) {
    unsigned char c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += ch;
        }
    }
  }
  out += '"';
  return out;
}

}  // namespace nurumo
