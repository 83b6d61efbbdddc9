// The texts of the pages (page.h): what the console says of a page, and
// the labels both pages show (each page's own are among its program's
// messages, but for the merge's legend), written to the page only.
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

// KOVRANT-MERGE.html's legend (page.cpp adds it to the merge's own labels).
DAT_FILE_TEXT(kPageLegendInputs, "入力の帯 (結合結果でその入力から取った所も同じ色)",
              "an input (what the merge took from it is in its colour)");
DAT_FILE_TEXT(kPageLegendUnread, "入力の読めなかった区間", "a stretch the input did not read");
DAT_FILE_TEXT(kPageLegendMerged, "結合結果 (基準の入力)", "the merged image (the base input)");
DAT_FILE_TEXT(kPageLegendMergeFilled, "ほかの入力で埋めたギャップ (その入力の色)",
              "a gap filled from another input (in its colour)");
DAT_FILE_TEXT(kPageLegendMergeLeft, "埋まらなかったギャップ", "a gap no input filled");
DAT_FILE_TEXT(kPageLegendDisagreement, "入力どうしの不一致", "a disagreement between inputs");
}  // namespace msg
