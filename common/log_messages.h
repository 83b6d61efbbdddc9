// The texts the programs' logs share, in Japanese and in English (texts.h).
#pragma once

#include "texts.h"

namespace msg {

DAT_FILE_TEXT(kLogNone, "なし", "none");
DAT_FILE_TEXT(kLogFirstAtime, "最初のATIME: %s", "First ATIME: %s");
DAT_FILE_TEXT(kLogLastAtime, "最後のATIME: %s", "Last ATIME: %s");
DAT_FILE_TEXT(kLogExitStatus, "終了ステータス: %d", "Exit status: %d");
// The tape's identity (--tape ID), where there is one.
DAT_FILE_TEXT(kLogTape, "テープ: %s", "Tape: %s");
DAT_FILE_TEXT(kEndInterrupted, "中断", "interrupted");
// The capture's tallies (KOVRANT.LOG), which the conversion's page shows too.
DAT_FILE_TEXT(kCaptureLogGood, "正常に読んだフレーム: %lld", "Frames read well: %lld");
DAT_FILE_TEXT(kCaptureLogWritten, "書き込んだフレーム: %lld", "Frames written: %lld");
DAT_FILE_TEXT(kCaptureLogFiltered, "フィルターで除いたフレーム: %lld",
              "Frames left out by the filter: %lld");
DAT_FILE_TEXT(kCaptureLogStretches, "読み取りエラー区間の数: %lld", "Read error stretches: %lld");
DAT_FILE_TEXT(kCaptureLogErrors, "読み取りエラーの回数: %lld", "Read errors: %lld");

// A record beside the run's files that it does not read: its name and why.
DAT_MESSAGE(kRecordNotRead, "%sは読みませんでした: %s\n", "%s was not read: %s\n");
DAT_MESSAGE(kRecordTooLarge, "16MBより大きく、記録ではありません",
            "larger than 16 MB, which no record is");
DAT_MESSAGE(kRecordTooDeep, "どの記録よりも深く入れ子になっています",
            "nested deeper than any record is");
DAT_MESSAGE(kRecordMalformed, "JSONの記録として読めません", "not a JSON record");

// A line of a log could not be written (a full disk): said once, with the
// log's name and the system's reason; the work goes on.
DAT_MESSAGE(kLogWriteFailed, "ログ%sに書き込めませんでした: %s\n",
            "Could not write the log %s: %s\n");

}  // namespace msg
