// The converter's console texts, written as they read; DAT_MESSAGE (cp932.h)
// makes the code page 932 bytes that the program prints.
#pragma once

#include "cp932.h"

namespace msg {

DAT_MESSAGE(kSelthixBanner, "SELTHIX.EXE Ver0.1\n");
DAT_MESSAGE(kCreateFileFailed, "CreateFileに失敗しました。\n");
DAT_MESSAGE(kGetFileSizeFailed, "GetFileSizeに失敗しました。\n");
DAT_MESSAGE(kCreateFileMappingFailed, "CreateFileMappingに失敗しました。\n");
DAT_MESSAGE(kMapViewOfFileFailed, "MapViewOfFileに失敗しました。\n");
DAT_MESSAGE(kRate32kNotSupported, "サンプリング周波数32kHzには対応していません");
DAT_MESSAGE(kFoundStartId, "Found START ID (NewID = %d)\n");
DAT_MESSAGE(kStartIdCorrection, "START ID補正 %d フレーム\n");
DAT_MESSAGE(kTailCut, "末尾カット %d フレーム\n");

// Output files that cannot be written. To standard error, with the file name
// and the operating system's reason.
DAT_MESSAGE(kWavCreateFailed, "%sを作成できませんでした: %s\n");
DAT_MESSAGE(kWavWriteFailed, "%sの書き込みに失敗しました: %s\n");
DAT_MESSAGE(kWavTooLarge,
            "%sはWAVの上限4GiBを超えるため、先頭の%lldフレームだけを書き込みました。\n");

// The conversion log cannot be created: the conversion goes on without it.
DAT_MESSAGE(kConversionLogCreateFailed, "SELTHIX.LOGを作成できませんでした: %s\n");
// --convert-32k and a 12-bit long-play stretch: it keeps its placeholder.
DAT_MESSAGE(kLongPlay,
            "%sは12ビットの長時間モード(LP)"
            "の録音です。変換できないため、ヘッダーだけのファイルを残します。\n");

// Ctrl-C, SIGTERM, SIGHUP (or the console closed): to standard error.
DAT_MESSAGE(kConversionInterrupted, "変換を中断しました。書きかけのファイルは残していません。\n");

// The system refused the interrupt handler: Ctrl-C would end the program at
// once, leaving the file being written (the next run removes it).
DAT_MESSAGE(kConversionNotInterruptible,
            "割り込みを受け付けられません。Ctrl-Cで止めると書きかけの一時ファイルが残ります("
            "次の実行で削除します)。\n");

// The image became shorter while it was being converted (another program
// truncated it): the conversion stops, to standard error.
DAT_MESSAGE(kImageChanged, "KOVRANT.IMGが変換中に短くなりました。変換を中止します。\n");
// Written again in place or replaced while it was converted.
DAT_MESSAGE(kImageRewritten, "KOVRANT.IMGが変換中に書き換えられました。変換を中止します。\n");
// A page of the image could not be read (an I/O error of the disk).
DAT_MESSAGE(kImageReadError,
            "KOVRANT.IMGの一部を読み取れませんでした(入出力エラー)。変換を中止します。\n");

}  // namespace msg
