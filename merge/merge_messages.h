// kovrant-merge's texts, written as they read, each in Japanese and in
// English (texts.h); the Japanese goes to the console as code page 932. The report's lines go to
// the console and, as UTF-8, to the merge log, from the same formats (no line end: each is one
// line).
#pragma once

#include "texts.h"

namespace msg {

DAT_MESSAGE(kMergeUsage,
            "使い方: kovrant-merge [--force] [--tape ID] PASS1.IMG PASS2.IMG [MORE.IMG ...]\n",
            "Usage: kovrant-merge [--force] [--tape ID] PASS1.IMG PASS2.IMG [MORE.IMG ...]\n");

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
// Inputs whose records name two tapes.
DAT_MESSAGE(kMergeOtherTape,
            "%s は別のテープ %s の読み取りで、このテープは %s です。--force で結合できます。",
            "%s is a read of another tape, %s, and this tape is %s: --force merges it all the "
            "same.");
DAT_MESSAGE(kMergeOtherTapeForced,
            "%s は別のテープ %s の読み取りですが (このテープは %s)、--force のため結合します。",
            "%s is a read of another tape, %s (this tape is %s), merged as --force asks.");
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

// What --help prints.
DAT_MESSAGE(
    kMergeHelp,
    "使い方: kovrant-merge [--force] [--tape ID] PASS1.IMG PASS2.IMG [MORE.IMG ...]\n"
    "        kovrant-merge [--help | --version]\n"
    "\n"
    "同じカセットを何度か読んだフレームイメージ (KOVRANT.IMG) を、各フレームのATIME\n"
    "(テープ上の時刻) で並べて一つにし、現在のディレクトリの KOVRANT.IMG に書きます。\n"
    "最初の入力が基準です。そのフレームは順序どおりに残し、基準が読めなかった\n"
    "フレームは、それを持つ最初の入力から取ります。同じフレームが入力によって\n"
    "異なれば、不一致として報告します (基準のフレームを残します)。\n"
    "\n"
    "入力は別のディレクトリに置いてください。出力の KOVRANT.IMG そのものは入力に\n"
    "できません。ATIMEが重ならない入力、時刻が戻る入力は同じ録音とみなさず、\n"
    "何も書かずに終了します。基準と共有するフレームが 100 以上あり、その半分より\n"
    "多くが異なる入力も、別のカセットとみなして何も書きません。結合の間に変わった\n"
    "入力があれば結果を書きません。報告はコンソールと KOVRANT-MERGE.LOG に書きます。\n"
    "\n"
    "  --force    別のカセットとみなした入力も結合します。記録の識別名が違う\n"
    "             入力も同じです。\n"
    "  --tape ID  テープの識別名 (英数字と . _ - の32文字以内)。指定がなければ\n"
    "             入力の記録 (KOVRANT.json など) の識別名を使います。\n"
    "  --         これより後の引数は、- で始まっても入力です。\n"
    "\n"
    "終了ステータス: 0 すべての入力を読み、結果を書いた / 1 それ以外 / 2 引数や識別名の誤り /\n"
    "3 中断した (Ctrl-C など)。\n"
    "続いて SELTHIX で KOVRANT.IMG を WAV ファイルに変換します。\n"
    "詳しくは man kovrant-merge と README を参照してください。\n",
    "Usage: kovrant-merge [--force] [--tape ID] PASS1.IMG PASS2.IMG [MORE.IMG ...]\n"
    "       kovrant-merge [--help | --version]\n"
    "\n"
    "Puts frame images (KOVRANT.IMG) of several reads of one cassette in order by\n"
    "each frame's ATIME (its time on the tape) and writes them as one KOVRANT.IMG in\n"
    "the current directory. The first input is the base: its frames stay in order; a\n"
    "frame it could not read comes from the first input that has it. A frame that\n"
    "differs between inputs is reported as a disagreement; the base's frame is kept.\n"
    "\n"
    "Keep the inputs in other directories: the output KOVRANT.IMG cannot be an input.\n"
    "Inputs whose ATIMEs do not overlap, or whose time goes back, are not the same\n"
    "recording, nor is one that differs from the base in more than half of the 100 or\n"
    "more frames they share (another cassette): nothing is written. Nor is it when an\n"
    "input changes during the merge. Report: the console and KOVRANT-MERGE.LOG.\n"
    "\n"
    "  --force    merge an input taken for another cassette all the same, also\n"
    "             inputs whose records name other tapes.\n"
    "  --tape ID  the tape's identity (up to 32 letters, digits, . _ -); else the\n"
    "             one the inputs' records (KOVRANT.json and the like) name.\n"
    "  --         the arguments after it are inputs, even when they start with -.\n"
    "\n"
    "Exit status: 0 all inputs read, result written / 1 otherwise / 2 wrong\n"
    "arguments or identity / 3 interrupted (Ctrl-C and the like).\n"
    "Then SELTHIX converts KOVRANT.IMG into WAV files.\n"
    "See man kovrant-merge and the README for more.\n");

// KOVRANT-MERGE.html's labels (page.h).
DAT_FILE_TEXT(kPageMergeTitle, "kovrant-merge: テープの全体",
              "kovrant-merge: the tape at a glance");
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

// KOVRANT-MERGE.html's legend.
DAT_FILE_TEXT(kPageLegendInputs, "入力の帯 (結合結果でその入力から取った所も同じ色)",
              "an input (what the merge took from it is in its colour)");
DAT_FILE_TEXT(kPageLegendUnread, "入力の読めなかった区間", "a stretch the input did not read");
DAT_FILE_TEXT(kPageLegendMerged, "結合結果 (基準の入力)", "the merged image (the base input)");
DAT_FILE_TEXT(kPageLegendMergeFilled, "ほかの入力で埋めたギャップ (その入力の色)",
              "a gap filled from another input (in its colour)");
DAT_FILE_TEXT(kPageLegendMergeLeft, "埋まらなかったギャップ", "a gap no input filled");
DAT_FILE_TEXT(kPageLegendDisagreement, "入力どうしの不一致", "a disagreement between inputs");

}  // namespace msg
