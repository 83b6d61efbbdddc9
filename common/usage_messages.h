// What the programs say about their command line: the version line and
// the refusal of an argument they do not know, each in Japanese and in
// English (texts.h). Each program's help text is among its own messages.
#pragma once

#include "texts.h"

namespace msg {

DAT_MESSAGE(kVersionLine, "%s %s\n", "%s %s\n");
DAT_MESSAGE(kUnknownArgument, "%s: 引数「%s」は使えません。使い方は %s --help で表示されます。\n",
            "%s: the argument \"%s\" cannot be used. %s --help shows how to use the program.\n");

// --tape with an identity that is not one (tape_id.h).
DAT_MESSAGE(kTapeIdRefused,
            "%s: テープの識別名「%s」は使えません。英数字と「.」「_」「-」の%d文字以内で、"
            "「.」や「-」で始まらない名前にしてください。\n",
            "%s: the tape identity \"%s\" cannot be used: it must be at most %d letters, digits, "
            "\".\", \"_\" and \"-\", not starting with \".\" or \"-\".\n");

}  // namespace msg
