// The texts of the pages (page.h): what the console says of a page, and
// the labels both pages show (each page's own are among its program's
// messages), written to the page only.
#pragma once

#include "texts.h"

namespace msg {

DAT_MESSAGE(kPageWriteFailed, "%sを書けませんでした: %s\n", "Could not write %s: %s\n");
DAT_MESSAGE(kPageElsewhere, "%sを置き換えられないため(%s)、このページは%sに書きました。\n",
            "%s cannot be replaced (%s): this page went to %s.\n");

DAT_FILE_TEXT(kPageTimeline, "テープ (ATIME順)", "The tape (by ATIME)");
DAT_FILE_TEXT(kPageTotals, "合計", "Totals");
// The title: the page's own, with the tape's identity and the day of its
// capture where the page knows them.
DAT_FILE_TEXT(kPageTitleTape, "%s — %s", "%s — %s");
DAT_FILE_TEXT(kPageTitleDate, "%s — %s 取り込み", "%s — captured %s");
DAT_FILE_TEXT(kPageTitleBoth, "%s — %s、%s 取り込み", "%s — %s, captured %s");

}  // namespace msg
