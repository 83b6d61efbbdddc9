// kovrant-merge's texts, written as they read, each in Japanese and in
// English (texts.h); the Japanese goes to the console as code page 932. The report's lines go to
// the console and, as UTF-8, to the merge log, from the same formats (no line end: each is one
// line).
#pragma once

#include "texts.h"

namespace msg {

DAT_MESSAGE(kMergeUsage, "使い方: kovrant-merge [--force] PASS1.IMG PASS2.IMG [MORE.IMG ...]\n",
            "Usage: kovrant-merge [--force] PASS1.IMG PASS2.IMG [MORE.IMG ...]\n");

// Inputs that cannot be merged: to standard error, nothing is written.
DAT_MESSAGE(kMergeUnreadable, "%sを読めません: %s", "Cannot read %s: %s");
DAT_MESSAGE(kMergeEmpty, "%sにはフレームがありません。", "%s has no frames.");
DAT_MESSAGE(kMergeNotAFile, "%sは通常のファイルではありません。", "%s is not a regular file.");
DAT_MESSAGE(kMergeIsOutput,
            "%sは出力先の KOVRANT.IMG そのものです。入力を上書きしないため、結合しません。",
            "%s is the output KOVRANT.IMG itself. Not merged, so as not to overwrite an input.");
DAT_MESSAGE(kMergeNoTime,
            "%sにはATIMEがありません。テープ上の位置が分からないため、結合できません。",
            "%s has no ATIME. Its place on the tape is unknown, so it cannot be merged.");
DAT_MESSAGE(
    kMergeBackwards,
    "%sのATIMEが %s から %s へ戻っています。一つの録音として並べられないため、結合しません。",
    "The ATIME of %s goes back from %s to %s. It cannot be put in order as one recording, so "
    "nothing is merged.");
DAT_MESSAGE(
    kMergeNoOverlap,
    "%sのATIME (%s - %s) は基準 (%s - %s) と重なりません。同じ録音ではないため、結合しません。",
    "The ATIME of %s (%s - %s) does not overlap the base (%s - %s). It is not the same recording, "
    "so nothing is merged.");
DAT_MESSAGE(kMergeOtherCassette,
            "%sと基準の%sが共有する %lld フレームのうち %lld フレームが異なります。別のカセットの"
            "録音とみなし、結合しません (それでも結合するには --force)。",
            "%s and the base %s share %lld frames, of which %lld differ. It is taken for another "
            "cassette's recording, so nothing is merged (--force merges it all the same).");
DAT_MESSAGE(kMergeInputChanged,
            "%sが結合の間に変わりました (大きさ、更新時刻、またはその名前のファイル)。"
            "結果は書きません。",
            "%s changed during the merge (its size, modification time, or the file under its "
            "name). No result was written.");
DAT_MESSAGE(kMergeInterrupted, "結合を中断しました。書きかけのファイルは残していません。",
            "Merge interrupted. No partly written file was left.");
DAT_MESSAGE(kMergeNotInterruptible,
            "割り込みを受け取れません。Ctrl-C で止めると、書きかけの一時ファイルが残ります。",
            "Interrupts cannot be caught. Stopping with Ctrl-C leaves the partly written "
            "temporary file behind.");
DAT_MESSAGE(kMergeWriteFailed, "KOVRANT.IMGを書けませんでした: %s",
            "Could not write KOVRANT.IMG: %s");
DAT_MESSAGE(kMergeLogFailed, "KOVRANT-MERGE.LOGを作成できませんでした: %s\n",
            "Could not create KOVRANT-MERGE.LOG: %s\n");
// KOVRANT-MERGE.LOG could not be replaced (another user's): this merge's
// log has a name of its own.
DAT_MESSAGE(kMergeLogElsewhere,
            "KOVRANT-MERGE.LOGを置き換えられないため(%s)、この結合のログは%sに書きます。\n",
            "KOVRANT-MERGE.LOG cannot be replaced (%s): this merge's log goes to %s.\n");
// KOVRANT-MERGE.json, the merge's record for machines, could not be
// written, or went under another name (another user's stood there).
DAT_MESSAGE(kMergeRecordFailed, "KOVRANT-MERGE.jsonを書けませんでした: %s\n",
            "Could not write KOVRANT-MERGE.json: %s\n");
DAT_MESSAGE(kMergeRecordElsewhere,
            "KOVRANT-MERGE.jsonを置き換えられないため(%s)、この結合のJSONは%sに書きます。\n",
            "KOVRANT-MERGE.json cannot be replaced (%s): this merge's JSON goes to %s.\n");

// The report.
DAT_MESSAGE(kMergeProgram, "プログラム: kovrant-merge %s", "Program: kovrant-merge %s");
DAT_MESSAGE(kMergeOptions, "オプション: %s", "Options: %s");
DAT_MESSAGE(kMergeStaleRemoved, "古い一時ファイルを削除: %s", "Old temporary file removed: %s");
DAT_MESSAGE(kMergeForced,
            "%sと基準の%sが共有する %lld フレームのうち %lld フレームが異なりますが、--force "
            "により結合します。",
            "%s and the base %s share %lld frames, of which %lld differ; merged all the same, as "
            "--force was given.");
DAT_MESSAGE(kMergeInput, "入力%d: %s (%lld フレーム、ATIME %s - %s)",
            "Input %d: %s (%lld frames, ATIME %s - %s)");
DAT_MESSAGE(kMergeBadPacks,
            "入力%d: 前後のフレームと合わないATIMEパック %lld 個をATIMEなしとして扱いました。",
            "Input %d: %lld ATIME packs that their neighbours do not confirm taken as no ATIME.");
DAT_MESSAGE(kMergeRepeats, "入力%d: 二度続けて届いたフレーム %lld 個を一度だけ置きました。",
            "Input %d: %lld frames delivered twice in a row placed once.");
DAT_MESSAGE(
    kMergeGap,
    "基準の欠落: 直前のATIME=%s 直後のATIME=%s 欠落=%lld フレーム 埋めた=%lld 入力=%s 残り=%lld",
    "Missing in the base: ATIME_before=%s ATIME_after=%s missing=%lld frames filled=%lld inputs=%s "
    "left=%lld");
DAT_MESSAGE(kMergeBefore, "基準より前に加えたフレーム: %lld 入力=%s",
            "Frames added before the base: %lld inputs=%s");
DAT_MESSAGE(kMergeAfter, "基準より後に加えたフレーム: %lld 入力=%s",
            "Frames added after the base: %lld inputs=%s");
DAT_MESSAGE(kMergeDisagree, "不一致: ATIME=%s 入力%d と入力%d",
            "Disagreement: ATIME=%s input %d and input %d");
DAT_MESSAGE(kMergeWritten, "書いたフレーム: %lld (基準 %lld、埋めた %lld、前後に加えた %lld)",
            "Frames written: %lld (base %lld, filled %lld, added before and after %lld)");
DAT_MESSAGE(kMergeStatus, "終了ステータス: %d", "Exit status: %d");
DAT_MESSAGE(kMergeSummary,
            "まとめ: KOVRANT.IMG に書きました。欠落 %lld か所のうち %lld "
            "か所を埋め、残りの欠落は推定 %lld フレーム。不一致 %lld フレーム",
            "Summary: written to KOVRANT.IMG. Of %lld gaps, %lld were filled; an estimated %lld "
            "frames are still missing. %lld frames disagree");
DAT_MESSAGE(kMergeSummaryRefused, "まとめ: 結合しませんでした", "Summary: nothing was merged");
DAT_MESSAGE(kMergeSummaryInterrupted, "まとめ: 中断。結合しませんでした",
            "Summary: interrupted. Nothing was merged");

}  // namespace msg
