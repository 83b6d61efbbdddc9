// The texts of the page (page.h): its labels, written to the page only,
// and what the console says of it.
#pragma once

#include "texts.h"

namespace msg {

DAT_MESSAGE(kPageWriteFailed, "%sを書けませんでした: %s\n", "Could not write %s: %s\n");
DAT_MESSAGE(kPageElsewhere, "%sを置き換えられないため(%s)、このページは%sに書きました。\n",
            "%s cannot be replaced (%s): this page went to %s.\n");

DAT_FILE_TEXT(kPageConversionTitle, "SELTHIX: テープの全体", "SELTHIX: the tape at a glance");
DAT_FILE_TEXT(kPageMergeTitle, "kovrant-merge: テープの全体",
              "kovrant-merge: the tape at a glance");
DAT_FILE_TEXT(kPageTimeline, "テープ (ATIME順)", "The tape (by ATIME)");
DAT_FILE_TEXT(kPageLevel, "レベル: 1秒ごとのピーク (dBFS)",
              "Level: the peak of each second (dBFS)");
DAT_FILE_TEXT(kPageFiles, "ファイル", "Files");
DAT_FILE_TEXT(kPageName, "名前", "Name");
DAT_FILE_TEXT(kPageRate, "サンプリング周波数", "Rate");
DAT_FILE_TEXT(kPageDuration, "長さ (秒)", "Duration (s)");
DAT_FILE_TEXT(kPageGaps, "ギャップ", "Gaps");
DAT_FILE_TEXT(kPagePlayer, "再生", "Player");
DAT_FILE_TEXT(kPageGap, "ギャップ %s → %s: %s フレーム欠落 (%s 秒)、%s",
              "Gap %s → %s: %s frames missing (%s s), %s");
DAT_FILE_TEXT(kPageJump, "不連続 %s → %s", "Discontinuity %s → %s");
DAT_FILE_TEXT(kPageNotConverted, "変換されない区間", "not converted");
DAT_FILE_TEXT(kPageEmphasis, "エンファシスあり", "emphasis");
DAT_FILE_TEXT(kPageNoFile, "ファイルなし (--check)", "no file (--check)");
DAT_FILE_TEXT(kPageTotals, "合計", "Totals");
DAT_FILE_TEXT(kPageCapture, "取り込み (KOVRANT.LOG)", "The capture (KOVRANT.LOG)");
DAT_FILE_TEXT(kPageInput, "入力 %s", "Input %s");
DAT_FILE_TEXT(kPageMerged, "結合結果", "Merged");
DAT_FILE_TEXT(kPageUnread, "読めなかった区間 %s → %s: 約 %s フレーム",
              "Unread %s → %s: about %s frames");
DAT_FILE_TEXT(kPageMergeGap,
              "ギャップ %s → %s: %s フレーム欠落、%s フレームを入力 %s から補填、残り %s",
              "Gap %s → %s: %s frames missing, %s taken from input %s, %s left");
DAT_FILE_TEXT(kPageAdded, "入力 %s から追加: %s フレーム", "Added from input %s: %s frames");
DAT_FILE_TEXT(kPageDisagreement, "不一致 %s: 入力 %s を採用 (入力 %s と異なる)",
              "Disagreement %s: input %s kept (input %s differs)");

}  // namespace msg
