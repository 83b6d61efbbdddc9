// kovrant-merge's texts, written as they read; DAT_MESSAGE (cp932.h) makes
// the code page 932 bytes for the console. The report's lines go to the
// console and, as UTF-8, to the merge log, from the same formats (no line
// end: each is one line).
#pragma once

#include "cp932.h"

namespace msg {

DAT_MESSAGE(kMergeUsage, "使い方: kovrant-merge PASS1.IMG PASS2.IMG [MORE.IMG ...]\n");

// Inputs that cannot be merged: to standard error, nothing is written.
DAT_MESSAGE(kMergeUnreadable, "%sを読めません: %s");
DAT_MESSAGE(kMergeEmpty, "%sにはフレームがありません。");
DAT_MESSAGE(kMergeNotAFile, "%sは通常のファイルではありません。");
DAT_MESSAGE(kMergeIsOutput,
            "%sは出力先の KOVRANT.IMG そのものです。入力を上書きしないため、結合しません。");
DAT_MESSAGE(kMergeNoTime,
            "%sにはATIMEがありません。テープ上の位置が分からないため、結合できません。");
DAT_MESSAGE(
    kMergeBackwards,
    "%sのATIMEが %s から %s へ戻っています。一つの録音として並べられないため、結合しません。");
DAT_MESSAGE(
    kMergeNoOverlap,
    "%sのATIME (%s - %s) は基準 (%s - %s) と重なりません。同じ録音ではないため、結合しません。");
DAT_MESSAGE(kMergeWriteFailed, "KOVRANT.IMGを書けませんでした: %s");
DAT_MESSAGE(kMergeLogFailed, "KOVRANT-MERGE.LOGを作成できませんでした: %s\n");

// The report.
DAT_MESSAGE(kMergeProgram, "プログラム: kovrant-merge %s");
DAT_MESSAGE(kMergeInput, "入力%d: %s (%lld フレーム、ATIME %s - %s)");
DAT_MESSAGE(
    kMergeGap,
    "基準の欠落: 直前のATIME=%s 直後のATIME=%s 欠落=%lld フレーム 埋めた=%lld 入力=%s 残り=%lld");
DAT_MESSAGE(kMergeBefore, "基準より前に加えたフレーム: %lld 入力=%s");
DAT_MESSAGE(kMergeAfter, "基準より後に加えたフレーム: %lld 入力=%s");
DAT_MESSAGE(kMergeDisagree, "不一致: ATIME=%s 入力%d と入力%d");
DAT_MESSAGE(kMergeWritten, "書いたフレーム: %lld (基準 %lld、埋めた %lld、前後に加えた %lld)");
DAT_MESSAGE(kMergeStatus, "終了ステータス: %d");
DAT_MESSAGE(kMergeSummary,
            "まとめ: KOVRANT.IMG に書きました。欠落 %lld か所のうち %lld "
            "か所を埋め、残りの欠落は推定 %lld フレーム。不一致 %lld フレーム");
DAT_MESSAGE(kMergeSummaryRefused, "まとめ: 結合しませんでした");

}  // namespace msg
