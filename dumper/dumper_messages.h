// The dumper's console texts, written as they read; DAT_MESSAGE (cp932.h)
// makes the code page 932 bytes that the program prints.
#pragma once

#include "cp932.h"
#include "dat_frame.h"

namespace msg {

DAT_MESSAGE(kKovrantBanner, "KOVRANT.EXE Ver0.1\n");
DAT_MESSAGE(kTapeOpenFailed, "テープデバイスのオープンに失敗しました。\n");
// The device in use, when the user named it or the system has several drives.
DAT_MESSAGE(kTapeDevice, "テープデバイス: %s\n");
DAT_MESSAGE(kInquiryFailed, "Inquiryデータの読み込みに失敗しました。\n");
DAT_MESSAGE(kIdentification, "%.28s\n");
DAT_MESSAGE(kDriveNotSupported, "このテープドライブには対応していません。\n");
DAT_MESSAGE(kSystemText, "%s\n");
DAT_MESSAGE(kFormatMessageFailed, "Format message failed.  Error: %d\n");
DAT_MESSAGE(kSwitchingToAudio, "テープドライブをオーディオモードに切り替えています・・・");
DAT_MESSAGE(kAudioModeFailed, "失敗。オーディオモードに設定できませんでした。\n");
DAT_MESSAGE(kSucceededLine, "成功しました。\n");
DAT_MESSAGE(kInsertCassette, "DATメディアを挿入してください(120秒以内)。\n");
DAT_MESSAGE(kLoadingRewinding, "テープのローディング&巻き戻し中です。\n");
DAT_MESSAGE(kReading, "テープの読み取り中です。120分テープで約1時間かかります。\n");
DAT_MESSAGE(kReadFailed, "テープの読み取りがエラーになりました。\n");
DAT_MESSAGE(kEndOfTape, "テープの終端に達しました。\n");
DAT_MESSAGE(kRewinding, "テープを巻き戻しています。\n");
DAT_MESSAGE(kUnloading, "テープをアンロードしています。\n");
DAT_MESSAGE(kSwitchingToData, "テープドライブをデータモードに切り替えています・・・");
DAT_MESSAGE(kSucceeded, "成功しました。");
DAT_MESSAGE(kAtime, "\rATIME=" DAT_ATIME_FIELDS " ");

// Failures of the image file, interrupts and endless read errors: the
// capture ends the normal way after each (rewind, unload, data mode).
DAT_MESSAGE(kImageCreateFailed, "KOVRANT.IMGを作成できませんでした: %s\n");
DAT_MESSAGE(kImageWriteFailed, "KOVRANT.IMGへの書き込みに失敗しました: %s\n");
DAT_MESSAGE(kTooManyReadErrors, "読み取りエラーが%d回続いたため、読み取りを打ち切ります。\n");
DAT_MESSAGE(kInterrupted, "中断しました。\n");

// The wait ran out while the drive reported ready: a cassette that was in
// before the run, whose arrival something else has already taken.
DAT_MESSAGE(kCassetteAlreadyIn,
            "DATメディアが既に入っています。取り出してから、もう一度挿入してください。\n");
// The data-mode request was carried out but the drive answered with an
// error: it follows the success text on its line.
DAT_MESSAGE(kDataModeRefused,
            "\nドライブがデータモードへの切り替えにエラーを返しました(ステータス "
            "%02X、センスバイト %02X)。ドライブはオーディオモードのままかもしれません。\n");

// The capture log cannot be created: the capture goes on without it.
DAT_MESSAGE(kLogCreateFailed, "KOVRANT.LOGを作成できませんでした: %s\n");
// The system refused the interrupt handler: Ctrl-C would end the program
// at once.
DAT_MESSAGE(kInterruptsNotCaught,
            "割り込みを受け付けられません。Ctrl-"
            "Cで止めるとドライブがオーディオモードのまま残ることがあります。\n");
// After a failed write the image could not be cut back to its whole frames.
DAT_MESSAGE(kImageTrimFailed, "KOVRANT.IMGの末尾の欠けたフレームを切り取れませんでした: %s\n");
// KOVRANT.LOG could not be replaced (another user's): this capture's log
// has a name of its own.
DAT_MESSAGE(kLogElsewhere,
            "KOVRANT.LOGを置き換えられないため(%s)、このキャプチャのログは%sに書きます。\n");

}  // namespace msg
