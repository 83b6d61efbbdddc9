// Every console text is stored as Shift_JIS bytes; each must be exactly the
// code page 932 encoding of the text as it reads.
#include <gtest/gtest.h>

#include <string>

#include "converter_messages.h"
#include "test_support.h"

namespace {

struct Text {
  const char* stored;
  const char* reads;
};

const Text kConverterTexts[] = {
    {msg::kSelthixBanner, "SELTHIX.EXE Ver0.1\n"},
    {msg::kCreateFileFailed, "CreateFileに失敗しました。\n"},
    {msg::kGetFileSizeFailed, "GetFileSizeに失敗しました。\n"},
    {msg::kCreateFileMappingFailed, "CreateFileMappingに失敗しました。\n"},
    {msg::kMapViewOfFileFailed, "MapViewOfFileに失敗しました。\n"},
    {msg::kRate32kNotSupported, "サンプリング周波数32kHzには対応していません"},
    {msg::kFoundStartId, "Found START ID (NewID = %d)\n"},
    {msg::kStartIdCorrection, "START ID補正 %d フレーム\n"},
    {msg::kTailCut, "末尾カット %d フレーム\n"},
    {msg::kWavCreateFailed, "%sを作成できませんでした: %s\n"},
    {msg::kWavWriteFailed, "%sの書き込みに失敗しました: %s\n"},
    {msg::kImageChanged, "KOVRANT.IMGが変換中に短くなりました。変換を中止します。\n"},
    {msg::kWavTooLarge,
     "%sはWAVの上限4GiBを超えるため、先頭の%lldフレームだけを書き込みました。\n"},
};

TEST(Messages, ConverterTextsAreCodePage932) {
  for (const Text& t : kConverterTexts) {
    EXPECT_EQ(std::string(t.stored), testing_support::toCp932(t.reads)) << t.reads;
  }
}

}  // namespace
