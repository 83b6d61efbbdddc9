// The texts the programs' logs share, in Japanese and in English (texts.h).
#pragma once

#include "texts.h"

namespace msg {

DAT_FILE_TEXT(kLogNone, "なし", "none");
DAT_FILE_TEXT(kLogFirstAtime, "最初のATIME: %s", "First ATIME: %s");
DAT_FILE_TEXT(kLogLastAtime, "最後のATIME: %s", "Last ATIME: %s");
DAT_FILE_TEXT(kLogExitStatus, "終了ステータス: %d", "Exit status: %d");
DAT_FILE_TEXT(kEndInterrupted, "中断", "interrupted");

// A line of a log could not be written (a full disk): said once, with the
// log's name and the system's reason; the work goes on.
DAT_MESSAGE(kLogWriteFailed, "ログ%sに書き込めませんでした: %s\n",
            "Could not write the log %s: %s\n");

}  // namespace msg
