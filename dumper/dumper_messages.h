// The dumper's console texts, written as they read, each in Japanese and in
// English (texts.h); the Japanese is printed as code page 932 bytes.
#pragma once

#include "dat_frame.h"
#include "log_messages.h"
#include "texts.h"

namespace msg {

DAT_MESSAGE(kKovrantBanner, "KOVRANT.EXE Ver0.1\n", "KOVRANT.EXE Ver0.1\n");
DAT_MESSAGE(kTapeOpenFailed, "テープデバイスのオープンに失敗しました。\n",
            "Could not open the tape device.\n");
// A drive of several that could not be opened, when none that opened is the
// supported drive: it may be the one. The system's text follows.
DAT_MESSAGE(kDriveOpenFailed,
            "テープデバイス %s のオープンに失敗しました。対応するドライブかもしれません。\n",
            "Could not open the tape device %s. It may be the supported drive.\n");
// The device in use, when the user named it or the system has several drives.
DAT_MESSAGE(kTapeDevice, "テープデバイス: %s\n", "Tape device: %s\n");
DAT_MESSAGE(kInquiryFailed, "Inquiryデータの読み込みに失敗しました。\n",
            "Could not read the Inquiry data.\n");
DAT_MESSAGE(kIdentification, "%.28s\n", "%.28s\n");
DAT_MESSAGE(kDriveNotSupported, "このテープドライブには対応していません。\n",
            "This tape drive is not supported.\n");
DAT_MESSAGE(kSystemText, "%s\n", "%s\n");
DAT_MESSAGE(kFormatMessageFailed, "Format message failed.  Error: %d\n",
            "Format message failed.  Error: %d\n");
DAT_MESSAGE(kSwitchingToAudio, "テープドライブをオーディオモードに切り替えています・・・",
            "Switching the tape drive to audio mode...");
DAT_MESSAGE(kAudioModeFailed, "失敗。オーディオモードに設定できませんでした。\n",
            "failed. The drive could not be set to audio mode.\n");
DAT_MESSAGE(kSucceededLine, "成功しました。\n", "done.\n");
DAT_MESSAGE(kInsertCassette, "DATメディアを挿入してください(120秒以内)。\n",
            "Insert the DAT cassette (within 120 seconds).\n");
DAT_MESSAGE(kLoadingRewinding, "テープのローディング&巻き戻し中です。\n",
            "Loading and rewinding the tape.\n");
DAT_MESSAGE(kReading, "テープの読み取り中です。120分テープで約1時間かかります。\n",
            "Reading the tape. A 120-minute tape takes about an hour.\n");
DAT_MESSAGE(kReadFailed, "テープの読み取りがエラーになりました。\n", "Reading the tape failed.\n");
DAT_MESSAGE(kEndOfTape, "テープの終端に達しました。\n", "Reached the end of the tape.\n");
DAT_MESSAGE(kRewinding, "テープを巻き戻しています。\n", "Rewinding the tape.\n");
DAT_MESSAGE(kUnloading, "テープをアンロードしています。\n", "Unloading the tape.\n");
DAT_MESSAGE(kSwitchingToData, "テープドライブをデータモードに切り替えています・・・",
            "Switching the tape drive to data mode...");
DAT_MESSAGE(kSucceeded, "成功しました。", "done.");
DAT_MESSAGE(kAtime, "\rATIME=" DAT_ATIME_FIELDS " ", "\rATIME=" DAT_ATIME_FIELDS " ");

// Failures of the image file, interrupts and endless read errors: the
// capture ends the normal way after each (rewind, unload, data mode).
DAT_MESSAGE(kImageCreateFailed, "KOVRANT.IMGを作成できませんでした: %s\n",
            "Could not create KOVRANT.IMG: %s\n");
DAT_MESSAGE(kImageWriteFailed, "KOVRANT.IMGへの書き込みに失敗しました: %s\n",
            "Could not write to KOVRANT.IMG: %s\n");
DAT_MESSAGE(kTooManyReadErrors, "読み取りエラーが%d回続いたため、読み取りを打ち切ります。\n",
            "%d read errors in a row: reading stops here.\n");
DAT_MESSAGE(kInterrupted, "中断しました。\n", "Interrupted.\n");

// The wait ran out while the drive reported ready: a cassette that was in
// before the run, whose arrival something else has already taken.
DAT_MESSAGE(kCassetteAlreadyIn,
            "DATメディアが既に入っています。取り出してから、もう一度挿入してください。\n",
            "A DAT cassette is already in the drive. Eject it and insert it again.\n");
// The data-mode request was carried out but the drive answered with an
// error: it follows the success text on its line.
DAT_MESSAGE(kDataModeRefused,
            "\nドライブがデータモードへの切り替えにエラーを返しました(ステータス "
            "%02X、センスバイト %02X)。ドライブはオーディオモードのままかもしれません。\n",
            "\nThe drive answered the switch to data mode with an error (status %02X, sense "
            "byte %02X). The drive may still be in audio mode.\n");

// The capture log cannot be created: the capture goes on without it.
DAT_MESSAGE(kLogCreateFailed, "KOVRANT.LOGを作成できませんでした: %s\n",
            "Could not create KOVRANT.LOG: %s\n");
// The system refused the interrupt handler: Ctrl-C would end the program
// at once.
DAT_MESSAGE(kInterruptsNotCaught,
            "割り込みを受け付けられません。Ctrl-"
            "Cで止めるとドライブがオーディオモードのまま残ることがあります。\n",
            "Interrupts cannot be caught. Stopping with Ctrl-C may leave the drive in audio "
            "mode.\n");
// After a failed write the image could not be cut back to its whole frames.
DAT_MESSAGE(kImageTrimFailed, "KOVRANT.IMGの末尾の欠けたフレームを切り取れませんでした: %s\n",
            "Could not cut the incomplete frame off the end of KOVRANT.IMG: %s\n");
// KOVRANT.LOG could not be replaced (another user's): this capture's log
// has a name of its own.
DAT_MESSAGE(kLogElsewhere,
            "KOVRANT.LOGを置き換えられないため(%s)、このキャプチャのログは%sに書きます。\n",
            "KOVRANT.LOG cannot be replaced (%s): this capture's log goes to %s.\n");
// The capture's record for machines (KOVRANT.json) could not be written,
// or went under another name (another user's stood there): the capture
// goes on.
DAT_MESSAGE(kRecordWriteFailed, "KOVRANT.jsonを書けませんでした: %s\n",
            "Could not write KOVRANT.json: %s\n");
DAT_MESSAGE(kRecordElsewhere,
            "KOVRANT.jsonを置き換えられないため(%s)、このキャプチャのJSONは%sに書きます。\n",
            "KOVRANT.json cannot be replaced (%s): this capture's JSON goes to %s.\n");

// An earlier capture stood in the directory when the cassette arrived: its
// image (of so many frames) was kept under numbered names, with its log and
// record where they described it (the names, joined by the separator); or it
// could not be moved (the system's reason), and this tape is not read.
DAT_MESSAGE(kEarlierKept, "以前のキャプチャ(%lldフレーム)を残しました: %s\n",
            "The earlier capture (%lld frames) is kept: %s\n");
DAT_MESSAGE(kNameSeparator, "、", ", ");
DAT_MESSAGE(kEarlierNotKept,
            "以前のキャプチャのKOVRANT.IMG(%lldフレーム)を別の名前に移せないため(%s)、"
            "このテープは読みません。KOVRANT.IMGを移してから、もう一度始めてください。\n",
            "The earlier capture's KOVRANT.IMG (%lld frames) cannot be moved to another name "
            "(%s): this tape is not read. Move KOVRANT.IMG away and start again.\n");

// The time display on a terminal: the ATIME shown last ("--:--:--:--"
// before any), the time the reading has taken, the frames read, the
// stretches of reads that did not return GOOD, then (with --length) how far
// along the tape is and the time left (one of the two forms), and the
// blanks that cover what a longer line left.
DAT_MESSAGE(kProgress, "\rATIME=%s 経過%s フレーム%lld エラー区間%lld%s%s",
            "\rATIME=%s elapsed %s frames %lld unread %lld%s%s");
DAT_MESSAGE(kProgressAlong, " %d%% 残り%s", " %d%% left %s");
DAT_MESSAGE(kProgressAlongSoFar, " %d%%", " %d%%");
DAT_MESSAGE(kNoAtimeYet, "--:--:--:--", "--:--:--:--");
DAT_MESSAGE(kProgressEnd, "\n", "\n");

// --length with a value that is not the minutes of a cassette.
DAT_MESSAGE(kLengthRefused,
            "%s: カセットの長さ「%s」は使えません。%dから%dまでの分数で指定してください。\n",
            "%s: the cassette length \"%s\" cannot be used: give it in minutes, %d to %d.\n");

// An additional sense code that the table of names (sense_codes.h) does not
// hold: one of the vendor's own (80h and above), or another.
DAT_MESSAGE(kSenseCodeVendors, "ベンダー固有のコード", "a code of the vendor's own");
DAT_MESSAGE(kSenseCodeUnnamed, "表にないコード", "a code the table does not name");

// KOVRANT --identify: what the drive says of itself, decoded and in hex.
DAT_MESSAGE(kIdentifyIdentification, "識別情報: %s\n", "Identification: %s\n");
DAT_MESSAGE(kIdentifyFields, "  ベンダー「%s」 製品「%s」 リビジョン「%s」\n",
            "  vendor \"%s\", product \"%s\", revision \"%s\"\n");
DAT_MESSAGE(kIdentifyNoIdentification, "ドライブの答えに識別情報がありません。\n",
            "The drive's answer holds no identification.\n");
DAT_MESSAGE(kIdentifySupported, "対応するドライブです (%s)。\n",
            "This is the supported drive (%s).\n");
// Not the supported drive: the fields that differ, joined by kNameSeparator.
DAT_MESSAGE(kIdentifyNotSupported, "対応するドライブ (%s) ではありません。違う項目: %s\n",
            "This is not the supported drive (%s); what differs: %s\n");
DAT_MESSAGE(kIdentifyVendor, "ベンダー", "vendor");
DAT_MESSAGE(kIdentifyProduct, "製品", "product");
DAT_MESSAGE(kIdentifyRevision, "リビジョン", "revision");
DAT_MESSAGE(kIdentifyInquiryData, "標準のINQUIRYデータ (%d バイト):\n",
            "Standard INQUIRY data (%d bytes):\n");
DAT_MESSAGE(kIdentifyHexLine, "  %s\n", "  %s\n");
DAT_MESSAGE(kIdentifyPages, "VPDページ 00h (%d バイト): ドライブの持つページ %s\n",
            "Vital product data page 00h (%d bytes): the drive offers pages %s\n");
DAT_MESSAGE(kIdentifySerial, "VPDページ 80h (%d バイト): 装置のシリアル番号「%s」\n",
            "Vital product data page 80h (%d bytes): unit serial number \"%s\"\n");
DAT_MESSAGE(kIdentifyNoSerialPage, "ドライブにはシリアル番号のページ (80h) がありません。\n",
            "The drive offers no unit serial number page (80h).\n");
// A request of --identify that the control could not carry out (the
// system's text follows), or that the drive answered with another status:
// the request's name (its page), the status, the sense key and the
// additional sense code with their names.
DAT_MESSAGE(kIdentifyRequestFailed, "%s の要求を実行できませんでした。\n",
            "The %s request could not be carried out.\n");
DAT_MESSAGE(
    kIdentifyRequestRefused,
    "ドライブは %s にステータス %02Xh で答えました: センスキー %Xh %s、ASC/ASCQ %02X/%02X %s\n",
    "The drive answered %s with status %02Xh: sense key %Xh %s, ASC/ASCQ %02X/%02X %s\n");
DAT_MESSAGE(kIdentifyRequestStatus, "ドライブは %s にステータス %02Xh で答えました。\n",
            "The drive answered %s with status %02Xh.\n");
DAT_MESSAGE(kIdentifyModeData, "現在のモードパラメータ (MODE SENSE, %d バイト):\n",
            "Current mode parameters (MODE SENSE, %d bytes):\n");
DAT_MESSAGE(kIdentifyDensity, "  密度コード %02Xh (%s)、ブロック長 %u%s、書き込み禁止: %s\n",
            "  density code %02Xh (%s), block length %u%s, write protected: %s\n");
DAT_MESSAGE(kIdentifyNoDescriptor, "  ブロックディスクリプタなし、書き込み禁止: %s\n",
            "  no block descriptor, write protected: %s\n");
DAT_MESSAGE(kIdentifyAudioDensity, "オーディオモード", "audio mode");
DAT_MESSAGE(kIdentifyDataDensity, "データモード", "data mode");
DAT_MESSAGE(kIdentifyOtherDensity, "その他", "other");
DAT_MESSAGE(kIdentifyVariable, " (可変長)", " (variable)");
DAT_MESSAGE(kIdentifyYes, "はい", "yes");
DAT_MESSAGE(kIdentifyNo, "いいえ", "no");

// The trace (--trace FILE) could not be created: the run does not begin;
// or a line of it could not be written: the run goes on without it.
DAT_MESSAGE(kTraceCreateFailed, "KOVRANT: トレース %s を作成できませんでした: %s\n",
            "KOVRANT: could not create the trace %s: %s\n");
DAT_MESSAGE(kTraceWriteFailed, "トレース %s に書き込めませんでした: %s\n",
            "Could not write to the trace %s: %s\n");

// The capture log (KOVRANT.LOG): "key: value" lines; the values that are
// words are in the log's language too.
DAT_FILE_TEXT(kCaptureLogProgram, "プログラム: KOVRANT %s", "Program: KOVRANT %s");
DAT_FILE_TEXT(kCaptureLogStarted, "開始: %s", "Started: %s");
DAT_FILE_TEXT(kCaptureLogDrive, "ドライブ: %s", "Drive: %s");
DAT_FILE_TEXT(kCaptureLogDevice, "デバイス: %s", "Device: %s");
DAT_FILE_TEXT(kCaptureLogArrived, "カセット到着: %s", "Cassette arrived: %s");
DAT_FILE_TEXT(kCaptureLogKept, "残した以前のキャプチャ: %s (%lldフレーム)",
              "Earlier capture kept: %s (%lld frames)");
DAT_FILE_TEXT(kCaptureLogStretch,
              "読み取りエラー区間: 位置=%lld 回数=%lld 直前のATIME=%s 直後のATIME=%s 内訳=%s "
              "センス=%s",
              "Read error stretch: position=%lld reads=%lld ATIME_before=%s ATIME_after=%s "
              "answers=%s sense=%s");
// The standard name of an additional sense code (ASC/ASCQ) that a stretch
// holds, after the first stretch that holds it.
DAT_FILE_TEXT(kCaptureLogSenseCode, "センスコード: %02X/%02X %s", "Sense code: %02X/%02X %s");
DAT_FILE_TEXT(kCaptureLogEnd, "終了理由: %s", "Ended by: %s");
DAT_FILE_TEXT(kCaptureLogDataMode, "データモード: %s", "Data mode: %s");
DAT_FILE_TEXT(kCaptureLogDataModeBack, "戻した", "restored");
DAT_FILE_TEXT(kCaptureLogDataModeNotBack, "戻せなかった", "not restored");
DAT_FILE_TEXT(kCaptureLogEnded, "終了: %s", "Ended: %s");
DAT_FILE_TEXT(kCaptureLogSummaryClean, "まとめ: %s。読み取りエラーなし",
              "Summary: %s. No read errors");
DAT_FILE_TEXT(kCaptureLogSummary, "まとめ: %s。読み取りエラー %lld か所、計 %lld 回",
              "Summary: %s. Read errors in %lld places, %lld in all");
// How the capture ended.
DAT_FILE_TEXT(kCaptureEndBlankTape, "テープの終端", "the end of the tape");
DAT_FILE_TEXT(kCaptureEndWriteFailed, "イメージの書き込みに失敗", "writing the image failed");
DAT_FILE_TEXT(kCaptureEndTooManyErrors, "読み取りエラーの連続", "read errors without end");
DAT_FILE_TEXT(kCaptureEndReadFailed, "読み取り要求の失敗", "a read request failed");
DAT_FILE_TEXT(kCaptureEndOther, "その他", "other");

// What --help prints.
DAT_MESSAGE(kKovrantHelp,
            "使い方: KOVRANT [--device デバイス] [--tape 識別名] [--length 分]\n"
            "                [--trace ファイル]\n"
            "        KOVRANT --identify [--device デバイス] [--trace ファイル]\n"
            "        KOVRANT [--help | --version]\n"
            "\n"
            "DATテープドライブ SONY SDT-9000 (ファームウェア 12.2) をオーディオモードに切り替え、\n"
            "挿入されたDATカセットの全フレームを、現在のディレクトリのフレームイメージ\n"
            "KOVRANT.IMG に書き込みます。\n"
            "\n"
            "起動後、約3分以内にカセットを挿入してください (起動前から入っていたカセットは\n"
            "一度取り出して入れ直します)。テープの終端まで読むと、巻き戻してカセットを\n"
            "取り出し、ドライブをデータモードに戻します。\n"
            "カセットが入った時点で、1フレーム以上ある既存の KOVRANT.IMG は、それを記した\n"
            "ログと JSON と共に、空いている次の番号の KOVRANT-1.IMG、KOVRANT-1.LOG、\n"
            "KOVRANT-1.json (次は -2、...) に名前を変えて残し、新しい KOVRANT.IMG に\n"
            "読み取ります。残せなければ読み取りません。\n"
            "端末では読み取り中の1行に ATIME、経過時間、読んだフレーム数、エラー区間の数を\n"
            "表示します (ファイルやパイプには ATIME だけを書きます)。\n"
            "\n"
            "読み取りを止めるには Ctrl-C を押してください。それまでのフレームを残し、\n"
            "巻き戻しと取り出しを済ませ、データモードに戻してから終了します。Windows で\n"
            "コンソールウィンドウを閉じると数秒で強制終了されるため、カセットが入ったまま、\n"
            "ドライブがオーディオモードのままになることがあります。次に KOVRANT を起動すると\n"
            "データモードに戻ります (カセットは取り出して入れ直してください)。\n"
            "\n"
            "テープドライブ: システムのテープドライブのうち、対応するドライブである最初のもの\n"
            "(どれも違えば最初のドライブ)。Linux では各ドライブの SCSI generic ノード\n"
            "(/dev/sgN、tape グループで使用可)、なければ /dev/nstN。Windows では \\\\.\\TapeN。\n"
            "  --device デバイス  このデバイスを使います (/dev/sgN、/dev/nstN、\\\\.\\TapeN)。\n"
            "                     環境変数 TAPE でも指定できます (--device が優先)。\n"
            "\n"
            "  --tape 識別名      テープの識別名 (英数字と「.」「_」「-」の32文字以内) を\n"
            "                     KOVRANT.LOG と KOVRANT.json に書きます。\n"
            "  --length 分        カセットの長さ (60から180分)。端末の表示に、テープの位置\n"
            "                     (割合) と残り時間の見込みを加えます。\n"
            "  --trace ファイル   ドライブへのすべての要求とその答えを、ファイルに1行ずつ\n"
            "                     JSON で書きます (ドライブの動作がおかしいときに送るもの)。\n"
            "  --identify         読み取りの代わりに、ドライブが自身について答える内容\n"
            "                     (INQUIRY、シリアル番号、モードパラメータ) と、対応する\n"
            "                     ドライブかどうかを表示します。モードは変えず、テープは\n"
            "                     動かさず、ファイルも書きません。\n"
            "\n"
            "終了ステータス: 0 テープの終端まで読み、データモードに戻した / 1 それ以外 /\n"
            "2 引数の誤り。--identify では 0 ドライブが答えた / 1 答えなかった。\n"
            "続いて SELTHIX で KOVRANT.IMG を WAV ファイルに変換します。\n"
            "詳しくは man KOVRANT と README を参照してください。\n",
            "Usage: KOVRANT [--device DEVICE] [--tape ID] [--length MINUTES]\n"
            "               [--trace FILE]\n"
            "       KOVRANT --identify [--device DEVICE] [--trace FILE]\n"
            "       KOVRANT [--help | --version]\n"
            "\n"
            "Switches the DAT tape drive SONY SDT-9000 (firmware 12.2) to audio mode and writes\n"
            "every frame of the DAT cassette inserted into the frame image KOVRANT.IMG in the\n"
            "current directory.\n"
            "\n"
            "Insert the cassette within about 3 minutes of the start (a cassette that was in\n"
            "before the start must be ejected and inserted again). At the end of the tape the\n"
            "cassette is rewound and ejected, and the drive is switched back to data mode.\n"
            "When the cassette arrives, an existing KOVRANT.IMG of at least one frame is kept\n"
            "with the log and JSON that describe it, renamed to the next free number:\n"
            "KOVRANT-1.IMG, KOVRANT-1.LOG, KOVRANT-1.json (then -2, ...); the tape is read\n"
            "into a new KOVRANT.IMG, and not at all when the earlier one cannot be kept.\n"
            "While reading, a terminal shows on one line the ATIME, the time taken, the\n"
            "frames read and the unread stretches (a file or a pipe gets the ATIME only).\n"
            "\n"
            "To stop reading, press Ctrl-C: the frames read so far are kept, the tape is\n"
            "rewound and ejected, and the drive is switched back to data mode before the end.\n"
            "On Windows, closing the console window ends the program within seconds, which\n"
            "may leave the cassette in and the drive in audio mode. The next start of KOVRANT\n"
            "switches it back to data mode (eject the cassette and insert it again).\n"
            "\n"
            "Tape drive: the first of the system's tape drives that is the supported drive\n"
            "(the first drive when none is). On Linux each drive's SCSI generic node\n"
            "(/dev/sgN, usable by the tape group), else /dev/nstN; on Windows \\\\.\\TapeN.\n"
            "  --device DEVICE   use this device (/dev/sgN, /dev/nstN, \\\\.\\TapeN); the\n"
            "                    environment variable TAPE names it too (--device wins).\n"
            "\n"
            "  --tape ID         the tape's identity (at most 32 letters, digits, \".\", \"_\"\n"
            "                    and \"-\"), written into KOVRANT.LOG and KOVRANT.json.\n"
            "  --length MINUTES  the cassette's length, 60 to 180: the terminal also shows\n"
            "                    how far along the tape is and an estimate of the time left.\n"
            "  --trace FILE      write every request to the drive and its answer into FILE\n"
            "                    (JSON Lines): what to send when a drive misbehaves.\n"
            "  --identify        instead of reading, print what the drive says of itself\n"
            "                    (inquiry data, serial number, mode parameters) and whether\n"
            "                    it is the supported drive; no mode is changed, the tape is\n"
            "                    not moved and no file is written.\n"
            "\n"
            "Exit status: 0 read to the end of the tape and data mode restored / 1 otherwise /\n"
            "2 wrong arguments. With --identify: 0 the drive answered / 1 it did not.\n"
            "Then SELTHIX converts KOVRANT.IMG into WAV files.\n"
            "See man KOVRANT and the README for more.\n");

}  // namespace msg
