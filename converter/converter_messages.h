// The converter's console texts, written as they read, each in Japanese and
// in English (texts.h); the Japanese is printed as code page 932 bytes.
#pragma once

#include "log_messages.h"
#include "texts.h"

namespace msg {

DAT_MESSAGE(kSelthixBanner, "SELTHIX.EXE Ver0.1\n", "SELTHIX.EXE Ver0.1\n");

// The tape's identity refused before anything is written.
DAT_MESSAGE(
    kTapeIdDiffers,
    "SELTHIX: --tape %s は、イメージの記録のテープ %s (%s) と違います。何も書いていません。\n",
    "SELTHIX: --tape %s is not the tape %s that the image's record names (%s): nothing "
    "was written.\n");
DAT_MESSAGE(kTapeNamesWithoutId,
            "SELTHIX: --tape-names にはテープの識別名が要ります (--tape ID か、識別名のある記録)。"
            "何も書いていません。\n",
            "SELTHIX: --tape-names needs the tape's identity (--tape ID, or a record that names "
            "it): nothing was written.\n");
DAT_MESSAGE(kCreateFileFailed, "CreateFileに失敗しました。\n", "CreateFile failed.\n");
DAT_MESSAGE(kGetFileSizeFailed, "GetFileSizeに失敗しました。\n", "GetFileSize failed.\n");
DAT_MESSAGE(kCreateFileMappingFailed, "CreateFileMappingに失敗しました。\n",
            "CreateFileMapping failed.\n");
DAT_MESSAGE(kMapViewOfFileFailed, "MapViewOfFileに失敗しました。\n", "MapViewOfFile failed.\n");
DAT_MESSAGE(kRate32kNotSupported, "サンプリング周波数32kHzには対応していません",
            "The sampling rate 32kHz is not supported");
DAT_MESSAGE(kFoundStartId, "Found START ID (NewID = %d)\n", "Found START ID (NewID = %d)\n");
DAT_MESSAGE(kStartIdCorrection, "START ID補正 %d フレーム\n", "START ID correction %d frames\n");
DAT_MESSAGE(kTailCut, "末尾カット %d フレーム\n", "Tail cut %d frames\n");

// Output files that cannot be written. To standard error, with the file name
// and the operating system's reason.
DAT_MESSAGE(kWavCreateFailed, "%sを作成できませんでした: %s\n", "Could not create %s: %s\n");
DAT_MESSAGE(kWavWriteFailed, "%sの書き込みに失敗しました: %s\n", "Could not write %s: %s\n");
DAT_MESSAGE(kWavTooLarge,
            "%sはWAVの上限4GiBを超えるため、先頭の%lldフレームだけを書き込みました。\n",
            "%s would pass the 4 GiB limit of WAV: only its first %lld frames were written.\n");

// The conversion log cannot be created: the conversion goes on without it.
DAT_MESSAGE(kConversionLogCreateFailed, "SELTHIX.LOGを作成できませんでした: %s\n",
            "Could not create SELTHIX.LOG: %s\n");
// SELTHIX.LOG could not be replaced (another user's): this conversion's log
// has a name of its own.
DAT_MESSAGE(kConversionLogElsewhere,
            "SELTHIX.LOGを置き換えられないため(%s)、この変換のログは%sに書きます。\n",
            "SELTHIX.LOG cannot be replaced (%s): this conversion's log goes to %s.\n");
// SELTHIX.json, the conversion's record for machines, could not be written:
// its name and the system's reason. The conversion's work stands.
DAT_MESSAGE(kConversionRecordWriteFailed, "%sを書けませんでした: %s\n", "Could not write %s: %s\n");
// SELTHIX.json could not be replaced (another user's): this conversion's
// record has a name of its own.
DAT_MESSAGE(kConversionRecordElsewhere,
            "SELTHIX.jsonを置き換えられないため(%s)、この変換の記録は%sに書きました。\n",
            "SELTHIX.json cannot be replaced (%s): this conversion's record went to %s.\n");
// --check: the image walked as a conversion would, nothing written. To
// standard output at the end; the log tells each file.
DAT_MESSAGE(kCheckClean, "確認のみ: WAVファイルは書いていません。ギャップも不連続もありません。\n",
            "Check only: no WAV file was written. No gap and no discontinuity.\n");
DAT_MESSAGE(kCheckFound, "確認のみ: WAVファイルは書いていません。ギャップと不連続: %lld か所。\n",
            "Check only: no WAV file was written. Gaps and discontinuities: %lld.\n");
// The same for the CORE document of --bwf.
DAT_MESSAGE(kCoreDocumentElsewhere,
            "SELTHIX-CORE.csvを置き換えられないため(%s)、この変換のCSVは%sに書きます。\n",
            "SELTHIX-CORE.csv cannot be replaced (%s): this conversion's CSV goes to %s.\n");
// --convert-32k and a 12-bit long-play stretch: it keeps its placeholder.
DAT_MESSAGE(kLongPlayDecoded,
            "%sは長時間モード(LP)の録音です。フレーム内の配置「%s」で変換しました (次点の %.2f "
            "倍なめらか。推定です)。\n",
            "%s is a long-play (LP) recording, converted in the layout \"%s\" (%.2f times "
            "smoother than the next; inferred).\n");
DAT_MESSAGE(kLongPlayUnrecognised,
            "%sは長時間モード(LP)の録音ですが、フレーム内の配置が分かりません (各配置の粗さ: "
            "%s)。ヘッダーだけのファイルを残します。\n",
            "%s is a long-play (LP) recording whose layout is not recognised (the layouts' "
            "roughness: %s). The file with only a header is kept.\n");
DAT_MESSAGE(
    kLongPlayFourChannels,
    "%sは4チャンネルの長時間モードの録音です。変換せず、ヘッダーだけのファイルを残します。\n",
    "%s is a four-channel long-play recording. It is not converted: the file with only a "
    "header is kept.\n");
DAT_MESSAGE(kLongPlay,
            "%sは12ビットの長時間モード(LP)"
            "の録音です。変換できないため、ヘッダーだけのファイルを残します。\n",
            "%s is a 12-bit long-play (LP) recording. It cannot be converted: the file with only a "
            "header is kept.\n");

// Ctrl-C, SIGTERM, SIGHUP (or the console closed): to standard error.
DAT_MESSAGE(kConversionInterrupted, "変換を中断しました。書きかけのファイルは残していません。\n",
            "Conversion interrupted. No partly written file was left.\n");

// The system refused the interrupt handler: Ctrl-C would end the program at
// once, leaving the file being written (the next run removes it).
DAT_MESSAGE(kConversionNotInterruptible,
            "割り込みを受け付けられません。Ctrl-Cで止めると書きかけの一時ファイルが残ります("
            "次の実行で削除します)。\n",
            "Interrupts cannot be caught. Stopping with Ctrl-C leaves the partly written temporary "
            "file (the next run removes it).\n");

// The image became shorter while it was being converted (another program
// truncated it): the conversion stops, to standard error.
DAT_MESSAGE(kImageChanged, "KOVRANT.IMGが変換中に短くなりました。変換を中止します。\n",
            "KOVRANT.IMG became shorter during the conversion. The conversion stops.\n");
// Written again in place or replaced while it was converted.
DAT_MESSAGE(kImageRewritten, "KOVRANT.IMGが変換中に書き換えられました。変換を中止します。\n",
            "KOVRANT.IMG was rewritten during the conversion. The conversion stops.\n");
// A page of the image could not be read (an I/O error of the disk).
DAT_MESSAGE(kImageReadError,
            "KOVRANT.IMGの一部を読み取れませんでした(入出力エラー)。変換を中止します。\n",
            "Part of KOVRANT.IMG could not be read (input/output error). The conversion stops.\n");

// The conversion log (SELTHIX.LOG): "key: value" lines; the values that
// are words are in the log's language too.
DAT_FILE_TEXT(kConversionLogProgram, "プログラム: SELTHIX %s", "Program: SELTHIX %s");
DAT_FILE_TEXT(kConversionLogOptions, "オプション: %s", "Options: %s");
DAT_FILE_TEXT(kConversionLogNoImage, "イメージ: KOVRANT.IMG を読めません (%s)",
              "Image: KOVRANT.IMG cannot be read (%s)");
DAT_FILE_TEXT(kConversionLogCheck, "確認のみ: WAVファイルもラベルファイルも書きません",
              "Check only: no WAV file and no label file is written");
DAT_FILE_TEXT(kConversionLogImage, "イメージ: KOVRANT.IMG (%lld フレーム)",
              "Image: KOVRANT.IMG (%lld frames)");
DAT_FILE_TEXT(kConversionLogNoAtime,
              "ATIME: なし (どのフレームにもATIMEパックがありません。ギャップは見つけられません)",
              "ATIME: none (no frame has an ATIME pack. Gaps cannot be found)");
DAT_FILE_TEXT(kConversionLogAtime, "ATIME: %lld フレーム中 %lld フレームにあり",
              "ATIME: of %lld frames, %lld have one");
DAT_FILE_TEXT(kConversionLogAccuracy, "ギャップの長さの精度: ±%d フレーム",
              "Accuracy of the gaps' lengths: ±%d frame");
DAT_FILE_TEXT(kConversionLogExact, "ギャップの長さの精度: 正確 (テープがサイクルを示しています)",
              "Accuracy of the gaps' lengths: exact (the tape shows its cycle)");
DAT_FILE_TEXT(
    kConversionLogCycle,
    "34フレームの秒: %d, %d, %d, ... 秒 (テープのフレーム33による。公表の規則とは異なります)",
    "Seconds of 34 frames: %d, %d, %d, ... (from the tape's frames 33; not the "
    "published rule)");
DAT_FILE_TEXT(
    kConversionLogMixedCycle,
    "34フレームの秒: 一定しません (フレーム33が複数のサイクルの秒にあります。最も多い %d, "
    "%d, %d, ... 秒を使います)",
    "Seconds of 34 frames: not one cycle (frames 33 lie in seconds of more than one; the "
    "most frequent, %d, %d, %d, ..., is used)");
DAT_FILE_TEXT(kConversionLogBadPacks,
              "前後のフレームと合わないATIMEパック: %lld (ATIMEなしとして扱いました)",
              "ATIME packs their neighbours do not confirm: %lld (taken as no ATIME)");
DAT_FILE_TEXT(kConversionLogFile, "ファイル: %s", "File: %s");
DAT_FILE_TEXT(kConversionLogRate, "サンプリング周波数: %u Hz", "Sampling rate: %u Hz");
DAT_FILE_TEXT(kConversionLogFrames, "フレーム: %lld (イメージの %lld-%lld)",
              "Frames: %lld (%lld-%lld of the image)");
DAT_FILE_TEXT(kConversionLogNoFrames, "フレーム: 0", "Frames: 0");
DAT_FILE_TEXT(kConversionLogSamples, "サンプル: %lld", "Samples: %lld");
DAT_FILE_TEXT(kConversionLogLength, "長さ: %s 秒", "Length: %s s");
DAT_FILE_TEXT(kConversionLogNoEmphasis, "エンファシス: なし", "Emphasis: none");
DAT_FILE_TEXT(kConversionLogEmphasis, "エンファシス: 50/15µs (オン。音声はそのまま)",
              "Emphasis: 50/15µs (on. The audio is left as it is)");
DAT_FILE_TEXT(
    kConversionLogMixedEmphasis,
    "エンファシス: 混在 (オン %lld フレーム、オフ %lld フレーム。音声はそのまま)",
    "Emphasis: mixed (on in %lld frames, off in %lld frames. The audio is left as it is)");
DAT_FILE_TEXT(kConversionLogJump,
              "不連続: 位置=%lld サンプル 直前のATIME=%s 直後のATIME=%s (埋めていません)",
              "Discontinuity: position=%lld samples ATIME_before=%s ATIME_after=%s (not filled)");
DAT_FILE_TEXT(kConversionLogGap,
              "ギャップ: 位置=%lld サンプル 直前のATIME=%s 直後のATIME=%s 欠落=%lld フレーム "
              "長さ=%s 秒 (%s)",
              "Gap: position=%lld samples ATIME_before=%s ATIME_after=%s missing=%lld frames "
              "length=%s s (%s)");
DAT_FILE_TEXT(kConversionLogFilled, "無音で埋めた", "filled with silence");
DAT_FILE_TEXT(kConversionLogJoined, "詰めた", "joined");
DAT_FILE_TEXT(kConversionLogBeforeFile, "このファイルの前、どのファイルにも入っていない",
              "before this file, in no file");
DAT_FILE_TEXT(kConversionLogAfterFile, "このファイルの後、どのファイルにも入っていない",
              "after this file, in no file");
DAT_FILE_TEXT(kConversionLogCutFrames, "区切りで除いたフレーム: %lld",
              "Frames left out at the cut: %lld");
DAT_FILE_TEXT(kConversionLogTrimFrames, "末尾で除いたフレーム: %lld",
              "Frames left out at the end: %lld");
DAT_FILE_TEXT(kConversionLogMd5, "MD5 (data チャンク): %s", "MD5 (data chunk): %s");
DAT_FILE_TEXT(kConversionLogFailed, "状態: 失敗 (%s)", "State: failed (%s)");
DAT_FILE_TEXT(kConversionLogState, "状態: %s", "State: %s");
DAT_FILE_TEXT(kConversionLogPlaceholder, "ヘッダーのみ (32kHzは変換していません)",
              "header only (32kHz is not converted)");
DAT_FILE_TEXT(kConversionLogLongPlay, "ヘッダーのみ (12ビットの長時間モードは変換できません)",
              "header only (12-bit long play cannot be converted)");
DAT_FILE_TEXT(kConversionLogLongPlayUnknown,
              "ヘッダーのみ (長時間モードのフレーム内の配置が分かりません)",
              "header only (the layout of the long-play frames is not recognised)");
DAT_FILE_TEXT(kConversionLogFourChannels, "ヘッダーのみ (4チャンネルの長時間モードは変換しません)",
              "header only (four-channel long play is not converted)");
DAT_FILE_TEXT(kConversionLogLayout,
              "長時間モードの配置: %s (次点の %.2f "
              "倍なめらか。テープから推定したもので、確認されたものではありません)",
              "Long-play layout: %s (%.2f times smoother than the next; inferred from the tape, "
              "not confirmed)");
DAT_FILE_TEXT(kConversionLogLayoutScores, "長時間モードの各配置の粗さ: %s",
              "Long-play layouts' roughness: %s");
DAT_FILE_TEXT(kConversionLogLongPlayTime,
              "長時間モードのATIME: フレームごとに %d 進みます "
              "(この区間のATIMEから。ギャップの長さはこの区間のフレームで数えます)",
              "Long-play ATIME: moves on by %d a frame (as this stretch's ATIME shows; its gaps "
              "are counted in its frames)");
DAT_FILE_TEXT(kConversionLogDerived,
              "派生: %s をディエンファシスしたアクセス用のコピー (保存用のファイルはそのまま)",
              "Derived: the de-emphasised access copy of %s (the preservation file is as it was)");
DAT_FILE_TEXT(kConversionLogComplete, "完了", "complete");
DAT_FILE_TEXT(kConversionLogCut,
              "状態: WAVの上限4GiBで打ち切り (続く %lld フレームは書き込んでいません)",
              "State: cut at the 4 GiB limit of WAV (the %lld frames after it were not written)");
DAT_FILE_TEXT(kConversionLogChecked, "状態: 書いていません (確認のみ。変換では「%s」)",
              "State: not written (check only; a conversion gives: %s)");
DAT_FILE_TEXT(kConversionLogCheckedCut,
              "状態: 書いていません (確認のみ。変換ではWAVの上限4GiBで打ち切り、続く %lld "
              "フレームは入りません)",
              "State: not written (check only; a conversion cuts it at the 4 GiB limit of WAV: "
              "the %lld frames after it do not fit)");
DAT_FILE_TEXT(kConversionLogStaleRemoved, "古い一時ファイルを削除: %s",
              "Old temporary file removed: %s");
DAT_FILE_TEXT(kConversionLogWritten, "書いたファイル: %lld", "Files written: %lld");
DAT_FILE_TEXT(kConversionLogWouldWrite, "変換で書くファイル: %lld",
              "Files a conversion writes: %lld");
DAT_FILE_TEXT(kConversionLogFailedFiles, "失敗したファイル: %lld", "Files failed: %lld");
DAT_FILE_TEXT(kConversionLogCutFiles, "4GiBで打ち切ったファイル: %lld", "Files cut at 4 GiB: %lld");
DAT_FILE_TEXT(kConversionLogGaps, "ギャップ: %lld か所、推定 %lld フレーム",
              "Gaps: %lld, an estimated %lld frames");
DAT_FILE_TEXT(kConversionLogJumps, "不連続: %lld か所", "Discontinuities: %lld");
DAT_FILE_TEXT(
    kConversionLogSummary,
    "まとめ: %s。ファイル %lld 個、ギャップ %lld か所 (推定 %lld フレーム)、不連続 %lld か所",
    "Summary: %s. %lld files, %lld gaps (an estimated %lld frames), %lld discontinuities");
// How the conversion ended, and why a file failed.
DAT_FILE_TEXT(kConversionEndShortened, "変換中にイメージが短くなったため中止",
              "stopped: the image became shorter during the conversion");
DAT_FILE_TEXT(kConversionEndRewritten, "変換中にイメージが書き換えられたため中止",
              "stopped: the image was rewritten during the conversion");
DAT_FILE_TEXT(kConversionEndReadError, "イメージの一部を読み取れなかったため中止",
              "stopped: part of the image could not be read");
DAT_FILE_TEXT(kConversionEndNoImage, "イメージを読めない", "the image cannot be read");
DAT_FILE_TEXT(kConversionEndSomeFailed, "書けなかったファイルあり",
              "some files could not be written");
DAT_FILE_TEXT(kConversionEndSomeCut, "WAVの上限4GiBで打ち切ったファイルあり",
              "some files were cut at the 4 GiB limit of WAV");
DAT_FILE_TEXT(kConversionEndChecked, "確認のみ (WAVファイルは書いていません)",
              "check only (no WAV file written)");
DAT_FILE_TEXT(kConversionEndAllWritten, "すべて書き込み", "all written");
// What each file's samples show (quality.h): levels, and where the audio
// looks concealed although the frames were read well.
DAT_FILE_TEXT(kConversionLogLevels,
              "レベル: ピーク %s / %s dBFS、RMS %s / %s dBFS、DCオフセット %s / %s (左 / 右)",
              "Levels: peak %s / %s dBFS, RMS %s / %s dBFS, DC offset %s / %s (left / right)");
DAT_FILE_TEXT(kConversionLogConcealed,
              "隠蔽の疑い: %s 位置=%lld サンプル 長さ=%lld サンプル チャンネル=%s ATIME=%s",
              "Concealment suspected: %s position=%lld samples length=%lld samples channel=%s "
              "ATIME=%s");
DAT_FILE_TEXT(kConversionLogConcealedTotals,
              "隠蔽の疑い: 保持 %lld か所、ミュート %lld か所、補間 %lld か所、クリップ %lld か所",
              "Concealment suspected: %lld holds, %lld mutes, %lld interpolations, %lld clips");
DAT_FILE_TEXT(kConcealedClip, "クリップ", "clip");
DAT_FILE_TEXT(kConcealedHold, "保持", "hold");
DAT_FILE_TEXT(kConcealedMute, "ミュート", "mute");
DAT_FILE_TEXT(kConcealedInterpolation, "補間", "interpolation");
DAT_FILE_TEXT(kChannelLeft, "左", "left");
DAT_FILE_TEXT(kChannelRight, "右", "right");
DAT_FILE_TEXT(kChannelBoth, "両方", "both");

// Files of the conversion before that this one did not write again.
DAT_FILE_TEXT(kConversionLogEarlierRemoved,
              "前の変換のファイルを削除しました (変わっていません): %s",
              "A file of the conversion before removed (unchanged since): %s");
DAT_FILE_TEXT(kConversionLogEarlierStale,
              "前の変換のファイルが残っています (その後に変わっているため消していません): %s",
              "A file of the conversion before is left (changed since, so not removed): %s");
DAT_FILE_TEXT(kConversionUnfinished,
              "変換は終わっていません (まだ動いているか、途中で止められました)",
              "The conversion has not ended (it is still running, or it was stopped)");
DAT_FILE_TEXT(kConversionReasonImageChanged, "KOVRANT.IMG が変わった", "KOVRANT.IMG changed");

// What --help prints.
DAT_MESSAGE(
    kSelthixHelp,
    "使い方: SELTHIX [--keep-time] [--bwf] [--convert-32k] [--check] [--long-play]\n"
    "                [--de-emphasis] [--tape ID] [--tape-names]\n"
    "        SELTHIX [--help | --version]\n"
    "\n"
    "現在のディレクトリのフレームイメージ KOVRANT.IMG (KOVRANT が書いたもの) を読み、\n"
    "プログラム (曲) とサンプリング周波数ごとに 16 ビットステレオの WAV ファイルを\n"
    "同じディレクトリに書き込みます。\n"
    "\n"
    "ファイル名はプログラム番号と周波数から付けます: #001-48kHz.wav、#002-44.1kHz.wav\n"
    "など。同じ番号と周波数が後でまた現れると -2、-3 … が付きます。32kHz の部分は\n"
    "変換せず、ヘッダーだけの #NNN-32kHz.wav を残します。同じ名前の既存のファイルは\n"
    "置き換えられます。\n"
    "\n"
    "変換ログ SELTHIX.LOG に、ファイルごとの長さ、ATIME、テープを読めなかった箇所\n"
    "(ギャップ) の位置と推定の長さ、SHA-256 を書きます。同じ内容をプログラム向けに\n"
    "SELTHIX.json (JSON) にも書きます。\n"
    "\n"
    "  --keep-time    ギャップを推定の長さの無音で埋め、WAV のキューポイントと\n"
    "                 ラベルファイル (#001-48kHz.txt) に印を付けます。\n"
    "  --bwf          Broadcast WAV の bext チャンクと、data チャンクの MD5 を\n"
    "                 書き込みます。各ファイルの bext は SELTHIX-CORE.csv にも書きます。\n"
    "  --convert-32k  32kHz の部分も変換します (フレーム内の配置は推定です。\n"
    "                 12 ビットの長時間モードは --long-play で)。\n"
    "  --check        変換と同じようにイメージを調べ、SELTHIX.LOG と SELTHIX.json\n"
    "                 だけを書きます (WAV ファイルもラベルファイルも書きません)。\n"
    "  --long-play    12 ビットの長時間モード (LP) の部分を、フレーム内の配置を\n"
    "                 テープから推定して 32kHz の WAV に変換します (推定であり、\n"
    "                 テープで確認されたものではありません。分からないときは変換しません)。\n"
    "  --de-emphasis  プリエンファシス付きのファイルに、ディエンファシスした\n"
    "                 アクセス用のコピー (#001-48kHz-deemph.wav など) も書きます。\n"
    "  --tape ID      テープの識別名 (英数字と . _ - の32文字以内) を記録、ログ、ページ、\n"
    "                 bext に書きます。なければ取り込みか結合の記録の識別名を使います。\n"
    "  --tape-names   ファイル名をテープの識別名から付けます: ID_001-48kHz.wav など。\n"
    "\n"
    "終了ステータス: 0 すべてのファイルを書き込んだ / 1 イメージを読めない、または\n"
    "書けなかったファイルがある / 2 引数の誤り、または --tape が記録と違う /\n"
    "3 中断した (Ctrl-C など) /\n"
    "4 --check でギャップまたは不連続が見つかった (ないときは 0)。\n"
    "詳しくは man SELTHIX と README を参照してください。\n",
    "Usage: SELTHIX [--keep-time] [--bwf] [--convert-32k] [--check] [--long-play]\n"
    "               [--de-emphasis] [--tape ID] [--tape-names]\n"
    "       SELTHIX [--help | --version]\n"
    "\n"
    "Reads the frame image KOVRANT.IMG (written by KOVRANT) in the current directory\n"
    "and writes one 16-bit stereo WAV file per program (track) and sampling rate into\n"
    "the same directory.\n"
    "\n"
    "The names come from the program number and the rate: #001-48kHz.wav,\n"
    "#002-44.1kHz.wav and so on; a number and rate that come again get -2, -3 ...\n"
    "Stretches at 32kHz are not converted: #NNN-32kHz.wav is left with a header only.\n"
    "Existing files of the same names are replaced.\n"
    "\n"
    "The conversion log SELTHIX.LOG holds each file's length, ATIME, the places the\n"
    "tape could not be read (gaps) with their estimated lengths, and its SHA-256;\n"
    "SELTHIX.json holds the same for programs (JSON).\n"
    "\n"
    "  --keep-time    fill each gap with silence of its estimated length and mark it\n"
    "                 with a WAV cue point and in a label file (#001-48kHz.txt).\n"
    "  --bwf          write a Broadcast WAV bext chunk and the MD5 of the data\n"
    "                 chunk; every file's bext goes into SELTHIX-CORE.csv too.\n"
    "  --convert-32k  convert the 32kHz stretches too (their layout in the frame is\n"
    "                 inferred; 12-bit long play with --long-play).\n"
    "  --check        walk the image as a conversion would and write only\n"
    "                 SELTHIX.LOG and SELTHIX.json (no WAV file, no label file).\n"
    "  --long-play    decode 12-bit long-play (LP) stretches into 32kHz WAV files,\n"
    "                 their layout in the frame inferred from the tape (not confirmed\n"
    "                 on a tape; a stretch whose layout is not clear is not converted).\n"
    "  --de-emphasis  also write a de-emphasised access copy of each file with\n"
    "                 pre-emphasis (#001-48kHz-deemph.wav and so on).\n"
    "  --tape ID      the tape's identity (up to 32 letters, digits, . _ -) for the\n"
    "                 record, log, page and bext; else the capture's or merge's gives it.\n"
    "  --tape-names   name the files after the tape: ID_001-48kHz.wav and so on.\n"
    "\n"
    "Exit status: 0 every file written / 1 the image cannot be read, or a file could\n"
    "not be written / 2 wrong arguments, or --tape differs from the record /\n"
    "3 interrupted (Ctrl-C and the like) /\n"
    "4 --check found a gap or a discontinuity (0 when it found none).\n"
    "See man SELTHIX and the README for more.\n");

// SELTHIX.html's labels (page.h).
DAT_FILE_TEXT(kPageConversionTitle, "SELTHIX: テープの全体", "SELTHIX: the tape at a glance");
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
DAT_FILE_TEXT(kPageCapture, "取り込み (KOVRANT.LOG)", "The capture (KOVRANT.LOG)");
// Where a file's audio looks concealed: the kind (kConcealed*), its start
// and length in seconds, the channel (kChannel*) and the tape time.
DAT_FILE_TEXT(kPageConcealed, "隠蔽の疑い %s: %s 秒から %s 秒間、%s、ATIME %s",
              "Concealment suspected, %s: at %s s for %s s, %s, ATIME %s");
DAT_FILE_TEXT(kPageConcealedHead, "隠蔽の疑い", "Concealment suspected");
DAT_FILE_TEXT(kPageConcealedMore, "ほか %s か所 (SELTHIX.LOG)", "and %s more (SELTHIX.LOG)");
// A file without audio, and the files of the conversion before that this one did not write.
DAT_FILE_TEXT(kPageEmpty, "空 (ヘッダーのみ)", "empty (header only)");
DAT_FILE_TEXT(kPageEarlier, "前の変換のファイル", "Files of the conversion before");
DAT_FILE_TEXT(kPageEarlierRemoved, "削除したもの (その後変わっていなかったもの): %s 個",
              "Removed (unchanged since): %s");
DAT_FILE_TEXT(kPageEarlierStale, "残したもの (その後に変わったため。この変換のものではありません):",
              "Left as they were (changed since; not this conversion's):");
// The legend under the timeline.
DAT_FILE_TEXT(kPageLegendProgram, "番組 (ファイル) の帯、上に名前",
              "a program (its file), its name above it");
DAT_FILE_TEXT(kPageLegendOff, "変換されない区間 (ヘッダーのみのファイル)",
              "a stretch not converted (a header-only file)");
DAT_FILE_TEXT(kPageLegendEmphasis, "エンファシスあり (枠の色)",
              "recorded with pre-emphasis (its outline)");
DAT_FILE_TEXT(kPageLegendJoined, "ギャップ、前後を詰めた", "a gap, joined");
DAT_FILE_TEXT(kPageLegendFilled, "ギャップ、無音で埋めた (--keep-time)",
              "a gap filled with silence (--keep-time)");
DAT_FILE_TEXT(kPageLegendOutside, "ファイルの前か後のギャップ (どのファイルにも入っていない)",
              "a gap before or after a file (in no file)");
DAT_FILE_TEXT(kPageLegendJump, "不連続 (ATIMEが戻るか飛ぶ所)",
              "a discontinuity (the tape time goes back or leaps)");
DAT_FILE_TEXT(kPageLegendConcealed, "隠蔽の疑い (クリックでその2秒前から再生)",
              "a place that looks concealed (click to play from 2 s before)");
DAT_FILE_TEXT(kPageLegendLevel, "レベル: 1秒に1本、高さがピーク (下端 -60、上端 0 dBFS)",
              "the level: a bar a second, as high as its peak (-60 to 0 dBFS)");

}  // namespace msg
