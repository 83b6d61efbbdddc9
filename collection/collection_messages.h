// kovrant-collection's texts, each in Japanese and in English (texts.h):
// what the console says, and the labels of COLLECTION.html (written to the
// page only).
#pragma once

#include "texts.h"

namespace msg {

DAT_MESSAGE(kCollectionUsage, "使い方: kovrant-collection [--verify] [--bag DIR] TAPEDIR...\n",
            "Usage: kovrant-collection [--verify] [--bag DIR] TAPEDIR...\n");
DAT_MESSAGE(kCollectionNotDirectory, "kovrant-collection: %s はディレクトリではありません。\n",
            "kovrant-collection: %s is not a directory.\n");
DAT_MESSAGE(kCollectionSameDirectory, "%s は %s と同じディレクトリです。一度だけ数えます。\n",
            "%s is the same directory as %s: it is counted once.\n");

// A line per tape directory: its identity, its path, the verdict, and what
// the conversion holds.
DAT_MESSAGE(kCollectionTape, "%s  %s: %s\n", "%s  %s: %s\n");
DAT_MESSAGE(kCollectionTapeConverted, "%s  %s: %s (ファイル %lld、%s、欠落 %lld、不連続 %lld)\n",
            "%s  %s: %s (%lld files, %s, %lld gaps, %lld discontinuities)\n");
DAT_MESSAGE(kCollectionNoIdentity, "(識別名なし)", "(no identity)");
DAT_MESSAGE(kVerdictComplete, "完全", "complete");
DAT_MESSAGE(kVerdictGaps, "欠落あり", "gaps");
DAT_MESSAGE(kVerdictNotConverted, "未変換", "not converted");
DAT_MESSAGE(kVerdictFailed, "変換失敗", "conversion failed");
DAT_MESSAGE(kVerdictChanged, "ファイルが記録と違う", "files changed");
DAT_MESSAGE(kVerdictNoRecords, "記録なし", "no records");

// A file that --verify found otherwise than its record names it.
DAT_MESSAGE(kCollectionProblem, "  %s: %s\n", "  %s: %s\n");
DAT_MESSAGE(kProblemMissing, "ありません", "missing");
DAT_MESSAGE(kProblemUnreadable, "読めません", "cannot be read");
DAT_MESSAGE(kProblemSize, "大きさが記録と違います", "its size differs from the record's");
DAT_MESSAGE(kProblemSha256, "SHA-256が記録と違います", "its SHA-256 differs from the record's");
DAT_MESSAGE(kProblemNoMd5Chunk, "MD5チャンクがありません", "it has no MD5 chunk");
DAT_MESSAGE(kProblemMd5Chunk, "MD5チャンクが記録と違います",
            "its MD5 chunk differs from the record's");
DAT_MESSAGE(kProblemMd5Data, "dataチャンクのMD5がMD5チャンクと違います",
            "the MD5 of its data chunk differs from its MD5 chunk");
DAT_MESSAGE(kProblemName, "ファイル名として使えない名前です", "the name is not a file's name");

// The end of the run.
DAT_MESSAGE(kCollectionSummary,
            "まとめ: %lld ディレクトリ (完全 %lld、欠落あり %lld、未変換 %lld、変換失敗 %lld、"
            "ファイルが記録と違う %lld、記録なし %lld)\n",
            "Summary: %lld directories (complete %lld, gaps %lld, not converted %lld, conversion "
            "failed %lld, files changed %lld, no records %lld)\n");
DAT_MESSAGE(
    kCollectionVerified,
    "確認: %lld ファイル (%lld バイト) を読み、記録と合わないファイルは %lld\n",
    "Verified: %lld files (%lld bytes) read, %lld of them do not agree with their records\n");
DAT_MESSAGE(kCollectionWritten, "書きました: %s\n", "Written: %s\n");
DAT_MESSAGE(kCollectionWriteFailed, "%sを書けませんでした: %s\n", "Could not write %s: %s\n");
DAT_MESSAGE(kCollectionElsewhere, "%sを置き換えられないため(%s)、%sに書きました。\n",
            "%s cannot be replaced (%s): written to %s instead.\n");

// Bags (--bag DIR).
DAT_MESSAGE(kBagWritten, "バッグ %s: ペイロード %lld ファイル、%lld バイト\n",
            "Bag %s: %lld payload files, %lld bytes\n");
DAT_MESSAGE(kBagRefused, "%s はバッグにしません: %s\n", "%s is not bagged: %s\n");
DAT_MESSAGE(kBagNoIdentity, "テープの識別名がありません (--tape ID で取り込むか変換してください)",
            "the tape has no identity (capture or convert it with --tape ID)");
DAT_MESSAGE(kBagNotConverted, "変換されていません", "it is not converted");
DAT_MESSAGE(kBagFailedConversion, "変換が完了していません", "its conversion did not end well");
DAT_MESSAGE(kBagChanged, "ファイルが記録と違います", "its files do not agree with its record");
DAT_MESSAGE(kBagOther, "同じテープの %s をバッグにします", "%s of the same tape is bagged");
DAT_MESSAGE(kBagFailed, "バッグ %s を作れませんでした: %s。作りかけのものは残していません。\n",
            "Could not make the bag %s: %s. Nothing half-made was left.\n");
DAT_MESSAGE(kBagInTheWay, "その名前のものがすでにあります", "something stands under its name");
DAT_MESSAGE(kBagFileFailed, "%s: %s", "%s: %s");
DAT_MESSAGE(kBagDiffers, "%s が記録と違います", "%s differs from its record");
DAT_MESSAGE(kBagDirectoryFailed, "kovrant-collection: %s を作れません: %s\n",
            "kovrant-collection: cannot create %s: %s\n");

// What --help prints.
DAT_MESSAGE(kCollectionHelp,
            "使い方: kovrant-collection [--verify] [--bag DIR] TAPEDIR...\n"
            "        kovrant-collection [--help | --version]\n"
            "\n"
            "テープごとのディレクトリ (KOVRANT、kovrant-merge、SELTHIX を実行した所) の記録\n"
            "(KOVRANT.json、KOVRANT-MERGE.json、SELTHIX.json) を読み、コレクション全体の一覧を\n"
            "現在のディレクトリの COLLECTION.json、COLLECTION.csv、COLLECTION.html に書きます。\n"
            "各テープの識別名、取り込み、結合、変換と判定 (完全 / 欠落あり / 未変換 /\n"
            "変換失敗 / ファイルが記録と違う / 記録なし) を載せ、同じ識別名のディレクトリは\n"
            "並べて示します。\n"
            "\n"
            "  --verify   記録が名を挙げるファイルをすべて読み、SHA-256、大きさ、\n"
            "             MD5チャンク (--bwf の WAV ファイル) を記録と照らします。\n"
            "             二つのプロセッサーで読みます。\n"
            "  --bag DIR  変換した各テープを BagIt のバッグ (RFC 8493) DIR/識別名/ にします。\n"
            "             WAV ファイルと付属ファイルは data/ に (できればハードリンク)、\n"
            "             記録、ログ、ページは tags/ に入れ、ダイジェストを記録と\n"
            "             照らしながら書きます。識別名のないテープは\n"
            "             バッグにしません。\n"
            "  --         これより後の引数は、- で始まってもディレクトリです。\n"
            "\n"
            "終了ステータス: 0 完了 / 1 ファイルやバッグを書けなかった / 2 引数の誤り /\n"
            "5 --verify で記録と合わないファイルがあった。\n"
            "詳しくは man kovrant-collection と README を参照してください。\n",
            "Usage: kovrant-collection [--verify] [--bag DIR] TAPEDIR...\n"
            "       kovrant-collection [--help | --version]\n"
            "\n"
            "Reads the records in each tape directory (where KOVRANT, kovrant-merge and\n"
            "SELTHIX ran: KOVRANT.json, KOVRANT-MERGE.json, SELTHIX.json) and writes the\n"
            "collection at a glance to COLLECTION.json, COLLECTION.csv and COLLECTION.html\n"
            "in the current directory: each tape's identity, capture, merge, conversion and\n"
            "verdict (complete / gaps / not converted / conversion failed / files changed /\n"
            "no records), the directories of one identity listed together.\n"
            "\n"
            "  --verify   reads every file that a record names and checks its SHA-256, size\n"
            "             and MD5 chunk (WAV files of --bwf) against the record, on two\n"
            "             processors.\n"
            "  --bag DIR  writes each converted tape as a BagIt bag (RFC 8493) DIR/ID/: the\n"
            "             WAV files and their sidecars under data/ (hard links where it can),\n"
            "             the records, logs and pages under tags/, their digests checked\n"
            "             against the records as they are written. A tape without an\n"
            "             identity is not bagged.\n"
            "  --         every argument after it is a directory, even one starting with -.\n"
            "\n"
            "Exit status: 0 done / 1 a file or bag could not be written / 2 bad arguments /\n"
            "5 --verify found a file that does not agree with its record.\n"
            "See man kovrant-collection and the README for details.\n");

// The page's labels.
DAT_FILE_TEXT(kCollectionPageTitle, "テープのコレクション", "The tape collection");
DAT_FILE_TEXT(kCollectionPageTape, "テープ", "Tape");
DAT_FILE_TEXT(kCollectionPagePath, "ディレクトリ", "Directory");
DAT_FILE_TEXT(kCollectionPageVerdict, "判定", "Verdict");
DAT_FILE_TEXT(kCollectionPageCaptured, "取り込み", "Captured");
DAT_FILE_TEXT(kCollectionPageFrames, "読んだフレーム", "Frames read");
DAT_FILE_TEXT(kCollectionPageUnread, "読めなかった区間", "Unread stretches");
DAT_FILE_TEXT(kCollectionPageMerge, "結合の入力", "Merge inputs");
DAT_FILE_TEXT(kCollectionPageFiles, "ファイル", "Files");
DAT_FILE_TEXT(kCollectionPageDuration, "長さ", "Duration");
DAT_FILE_TEXT(kCollectionPageGaps, "欠落", "Gaps");
DAT_FILE_TEXT(kCollectionPageDiscontinuities, "不連続", "Discontinuities");
DAT_FILE_TEXT(kCollectionPageEvents, "補間などの箇所", "Concealment events");
DAT_FILE_TEXT(kCollectionPageChanged, "記録と違うファイル", "Files changed");
DAT_FILE_TEXT(kCollectionPageBar, "読んだ / 失った / 変換した", "Read / lost / converted");
DAT_FILE_TEXT(kCollectionPageRead, "読んだフレーム %s", "frames read %s");
DAT_FILE_TEXT(kCollectionPageLost, "失ったフレーム %s", "frames lost %s");
DAT_FILE_TEXT(kCollectionPageConverted, "変換したフレーム %s", "frames converted %s");
DAT_FILE_TEXT(kCollectionPageSortHint, "列の見出しをクリックすると並べ替えます。",
              "Click a column's heading to sort by it.");
DAT_FILE_TEXT(kCollectionPageMade, "作成: %s", "Made: %s");

}  // namespace msg
