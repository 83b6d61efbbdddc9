// What both programs say about their command line: the help texts, the
// version line and the refusal of an argument they do not know.
#pragma once

#include "cp932.h"

namespace msg {

DAT_MESSAGE(kVersionLine, "%s %s\n");
DAT_MESSAGE(kUnknownArgument, "%s: 引数「%s」は使えません。使い方は %s --help で表示されます。\n");

DAT_MESSAGE(kKovrantHelp,
            "使い方: KOVRANT [--help | --version]\n"
            "\n"
            "DATテープドライブ SONY SDT-9000 (ファームウェア 12.2) をオーディオモードに切り替え、\n"
            "挿入されたDATカセットの全フレームを、現在のディレクトリのフレームイメージ\n"
            "KOVRANT.IMG に書き込みます。引数は取りません。\n"
            "\n"
            "起動後、約3分以内にカセットを挿入してください (起動前から入っていたカセットは\n"
            "一度取り出して入れ直します)。テープの終端まで読むと、巻き戻してカセットを\n"
            "取り出し、ドライブをデータモードに戻します。既存の KOVRANT.IMG は、カセットが\n"
            "入った時点で新しいイメージに置き換えられます。\n"
            "\n"
            "読み取りを止めるには Ctrl-C を押してください。それまでのフレームを残し、\n"
            "巻き戻しと取り出しを済ませ、データモードに戻してから終了します。Windows で\n"
            "コンソールウィンドウを閉じると数秒で強制終了されるため、カセットが入ったまま、\n"
            "ドライブがオーディオモードのままになることがあります。次に KOVRANT を起動すると\n"
            "データモードに戻ります (カセットは取り出して入れ直してください)。\n"
            "\n"
            "テープドライブ: Linux では最初のテープドライブの SCSI generic ノード\n"
            "(/dev/sgN、tape グループで使用可)、なければ /dev/nst0。Windows では \\\\.\\Tape0。\n"
            "\n"
            "終了ステータス: 0 テープの終端まで読み、データモードに戻した / 1 それ以外 /\n"
            "2 引数の誤り。\n"
            "続いて SELTHIX で KOVRANT.IMG を WAV ファイルに変換します。\n"
            "詳しくは man KOVRANT と README を参照してください。\n");

DAT_MESSAGE(kSelthixHelp,
            "使い方: SELTHIX [--keep-time] [--bwf] [--convert-32k]\n"
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
            "(ギャップ) の位置と推定の長さ、SHA-256 を書きます。\n"
            "\n"
            "  --keep-time    ギャップを推定の長さの無音で埋め、WAV のキューポイントと\n"
            "                 ラベルファイル (#001-48kHz.txt) に印を付けます。\n"
            "  --bwf          Broadcast WAV の bext チャンクを書き込みます。\n"
            "  --convert-32k  32kHz の部分も変換します (フレーム内の配置は推定です。\n"
            "                 12 ビットの長時間モードは変換できません)。\n"
            "\n"
            "終了ステータス: 0 すべてのファイルを書き込んだ / 1 イメージを読めない、または\n"
            "書けなかったファイルがある / 2 引数の誤り / 3 中断した (Ctrl-C など)。\n"
            "詳しくは man SELTHIX と README を参照してください。\n");

DAT_MESSAGE(kMergeHelp,
            "使い方: kovrant-merge PASS1.IMG PASS2.IMG [MORE.IMG ...]\n"
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
            "何も書かずに終了します。報告はコンソールと KOVRANT-MERGE.LOG に書きます。\n"
            "\n"
            "終了ステータス: 0 すべての入力を読み、結果を書いた / 1 それ以外 / 2 引数の誤り。\n"
            "続いて SELTHIX で KOVRANT.IMG を WAV ファイルに変換します。\n"
            "詳しくは man kovrant-merge と README を参照してください。\n");

}  // namespace msg
