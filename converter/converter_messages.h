// The converter's console texts, as Shift_JIS (code page 932) bytes. The
// comment above each gives the text as it reads; tools/sjis_literal.py makes
// the literal from it. The tests (messages_test.cpp, dumper_messages_test.cpp)
// hold each text as it reads and check the literal against the C library's
// CP932 encoding of it.
#pragma once

namespace msg {

// SELTHIX.EXE Ver0.1\n
constexpr char kSelthixBanner[] = "SELTHIX.EXE Ver0.1\n";
// CreateFileに失敗しました。\n
constexpr char kCreateFileFailed[] =
    "CreateFile\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42\n";
// GetFileSizeに失敗しました。\n
constexpr char kGetFileSizeFailed[] =
    "GetFileSize\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42\n";
// CreateFileMappingに失敗しました。\n
constexpr char kCreateFileMappingFailed[] =
    "CreateFileMapping\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42\n";
// MapViewOfFileに失敗しました。\n
constexpr char kMapViewOfFileFailed[] =
    "MapViewOfFile\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42\n";
// サンプリング周波数32kHzには対応していません
constexpr char kRate32kNotSupported[] =
    "\x83\x54\x83\x93\x83\x76\x83\x8a\x83\x93\x83\x4f\x8e\xfc\x94\x67\x90\x94"
    "32kHz\x82\xc9\x82\xcd\x91\xce\x89\x9e\x82\xb5\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82\xf1";
// Found START ID (NewID = %d)\n
constexpr char kFoundStartId[] = "Found START ID (NewID = %d)\n";
// START ID補正 %d フレーム\n
constexpr char kStartIdCorrection[] =
    "START ID\x95\xe2\x90\xb3 %d \x83\x74\x83\x8c\x81\x5b\x83\x80\n";
// 末尾カット %d フレーム\n
constexpr char kTailCut[] =
    "\x96\x96\x94\xf6\x83\x4a\x83\x62\x83\x67 %d \x83\x74\x83\x8c\x81\x5b\x83\x80\n";

// Output files that cannot be written. To standard error, with the file name
// and the operating system's reason.
// %sを作成できませんでした: %s\n
constexpr char kWavCreateFailed[] =
    "%s\x82\xf0\x8d\xec\x90\xac\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd: "
    "%s\n";
// %sの書き込みに失敗しました: %s\n
constexpr char kWavWriteFailed[] =
    "%s\x82\xcc\x8f\x91\x82\xab\x8d\x9e\x82\xdd\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82"
    "\xbd: %s\n";
// %sはWAVの上限4GiBを超えるため、先頭の%lldフレームだけを書き込みました。\n
constexpr char kWavTooLarge[] =
    "%s\x82\xcdWAV\x82\xcc\x8f\xe3\x8c\xc0"
    "4GiB\x82\xf0\x92\xb4\x82\xa6\x82\xe9\x82\xbd\x82\xdf\x81\x41\x90\xe6\x93\xaa\x82\xcc%"
    "lld\x83\x74\x83\x8c\x81\x5b\x83\x80\x82\xbe\x82\xaf\x82\xf0\x8f\x91\x82\xab\x8d\x9e\x82\xdd"
    "\x82\xdc\x82\xb5\x82\xbd\x81\x42\n";

// The image became shorter while it was being converted (another program
// truncated it): the conversion stops, to standard error.
// KOVRANT.IMGが変換中に短くなりました。変換を中止します。\n
constexpr char kImageChanged[] =
    "KOVRANT."
    "IMG\x82\xaa\x95\xcf\x8a\xb7\x92\x86\x82\xc9\x92\x5a\x82\xad\x82\xc8\x82\xe8\x82\xdc\x82\xb5"
    "\x82\xbd\x81\x42\x95\xcf\x8a\xb7\x82\xf0\x92\x86\x8e\x7e\x82\xb5\x82\xdc\x82\xb7\x81\x42\n";

}  // namespace msg
