// What the programs say about their command line: the version line and
// the refusal of an argument they do not know, each in Japanese and in
// English (texts.h). Each program's help text is among its own messages.
#pragma once

#include "texts.h"

namespace msg {

DAT_MESSAGE(kVersionLine, "%s %s\n", "%s %s\n");
DAT_MESSAGE(kUnknownArgument, "%s: 引数「%s」は使えません。使い方は %s --help で表示されます。\n",
            "%s: the argument \"%s\" cannot be used. %s --help shows how to use the program.\n");

}  // namespace msg
