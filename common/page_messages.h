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
}  // namespace msg
