// Every console text of the dumper is stored as Shift_JIS bytes; each must be
// exactly the code page 932 encoding of the text as it reads.
#include "dumper_messages.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace {

struct Text {
  const char* stored;
  const char* reads;
};

const Text kDumperTexts[] = {
    {msg::kKovrantBanner, "KOVRANT.EXE Ver0.1\n"},
    {msg::kTapeOpenFailed, "テープデバイスのオープンに失敗しました。\n"},
    {msg::kInquiryFailed, "Inquiryデータの読み込みに失敗しました。\n"},
    {msg::kIdentification, "%.28s\n"},
    {msg::kDriveNotSupported, "このテープドライブには対応していません。\n"},
    {msg::kSystemText, "%s\n"},
    {msg::kFormatMessageFailed, "Format message failed.  Error: %d\n"},
    {msg::kSwitchingToAudio, "テープドライブをオーディオモードに切り替えています・・・"},
    {msg::kAudioModeFailed, "失敗。オーディオモードに設定できませんでした。\n"},
    {msg::kSucceededLine, "成功しました。\n"},
    {msg::kInsertCassette, "DATメディアを挿入してください(120秒以内)。\n"},
    {msg::kLoadingRewinding, "テープのローディング&巻き戻し中です。\n"},
    {msg::kReading, "テープの読み取り中です。120分テープで約1時間かかります。\n"},
    {msg::kReadFailed, "テープの読み取りがエラーになりました。\n"},
    {msg::kEndOfTape, "テープの終端に達しました。\n"},
    {msg::kRewinding, "テープを巻き戻しています。\n"},
    {msg::kUnloading, "テープをアンロードしています。\n"},
    {msg::kSwitchingToData, "テープドライブをデータモードに切り替えています・・・"},
    {msg::kSucceeded, "成功しました。"},
    {msg::kAtime, "\rATIME=%01x%01x:%01x%01x:%01d%01x:%01x%01x "},
    {msg::kImageCreateFailed, "KOVRANT.IMGを作成できませんでした: %s\n"},
    {msg::kImageWriteFailed, "KOVRANT.IMGへの書き込みに失敗しました: %s\n"},
    {msg::kTooManyReadErrors, "読み取りエラーが%d回続いたため、読み取りを打ち切ります。\n"},
    {msg::kInterrupted, "中断しました。\n"},
    {msg::kCassetteAlreadyIn,
     "DATメディアが既に入っています。取り出してから、もう一度挿入してください。\n"},
    {msg::kDataModeRefused,
     "\nドライブがデータモードへの切り替えにエラーを返しました(ステータス %02X、センスバイト "
     "%02X)。ドライブはオーディオモードのままかもしれません。\n"},
};

TEST(Messages, DumperTextsAreCodePage932) {
  for (const Text& t : kDumperTexts) {
    EXPECT_EQ(std::string(t.stored), testing_support::toCp932(t.reads)) << t.reads;
  }
}

}  // namespace
