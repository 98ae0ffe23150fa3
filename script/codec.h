// Script files from and to the UTF-8 text that authors write: CP932 and the
// line cipher on one side, UTF-8 on the other.
#pragma once

#include <string>
#include <string_view>

namespace nurumo {

enum class LineEnds { Keep, CrLf };

// UTF-8 text -> a scrambled CP932 script file. Line ends are kept as they
// stand (the game reads CR LF and LF alike) unless CrLf is asked for; a
// leading byte-order mark is dropped. False with "LINE:COLUMN: reason" (UTF-8,
// both counted from 1, the column in characters) when a character has no
// CP932 form.
bool EncodeScriptText(std::string_view utf8, std::string& out_dat, std::string& error,
                      LineEnds ends = LineEnds::Keep);

// A scrambled script file -> UTF-8 text, line ends as the file has them.
// False with "LINE: reason" when a line holds bytes that are not CP932.
bool DecodeScriptText(std::string_view dat, std::string& out_utf8, std::string& error);

}  // namespace nurumo
