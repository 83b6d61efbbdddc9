// Code page 932 (Shift_JIS), the encoding of every console text of both
// programs, for the characters that those texts use. A text is written once,
// as UTF-8, with DAT_MESSAGE; its code page 932 bytes are made from the table
// below when compiling (a character missing from the table stops the build:
// tools/cp932_table.py prints the rows for new texts). The same table turns
// the bytes back into UTF-8 for a terminal that wants it. The tests check
// every row and every text against the C library's own CP932 converter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace cp932 {

struct Row {
  char32_t unicode;
  uint16_t code;  // lead byte << 8 | trail byte
};

// Sorted by code point.
constexpr Row kTable[] = {
    {0x2026, 0x8163},  // …
    {0x3001, 0x8141},  // 、
    {0x3002, 0x8142},  // 。
    {0x300C, 0x8175},  // 「
    {0x300D, 0x8176},  // 」
    {0x3042, 0x82A0},  // あ
    {0x3044, 0x82A2},  // い
    {0x3046, 0x82A4},  // う
    {0x3048, 0x82A6},  // え
    {0x304A, 0x82A8},  // お
    {0x304B, 0x82A9},  // か
    {0x304C, 0x82AA},  // が
    {0x304D, 0x82AB},  // き
    {0x304F, 0x82AD},  // く
    {0x3051, 0x82AF},  // け
    {0x3053, 0x82B1},  // こ
    {0x3054, 0x82B2},  // ご
    {0x3055, 0x82B3},  // さ
    {0x3057, 0x82B5},  // し
    {0x3058, 0x82B6},  // じ
    {0x3059, 0x82B7},  // す
    {0x305A, 0x82B8},  // ず
    {0x305B, 0x82B9},  // せ
    {0x305D, 0x82BB},  // そ
    {0x305F, 0x82BD},  // た
    {0x3060, 0x82BE},  // だ
    {0x3061, 0x82BF},  // ち
    {0x3063, 0x82C1},  // っ
    {0x3064, 0x82C2},  // つ
    {0x3066, 0x82C4},  // て
    {0x3067, 0x82C5},  // で
    {0x3068, 0x82C6},  // と
    {0x3069, 0x82C7},  // ど
    {0x306A, 0x82C8},  // な
    {0x306B, 0x82C9},  // に
    {0x306E, 0x82CC},  // の
    {0x306F, 0x82CD},  // は
    {0x3070, 0x82CE},  // ば
    {0x3078, 0x82D6},  // へ
    {0x3079, 0x82D7},  // べ
    {0x307E, 0x82DC},  // ま
    {0x307F, 0x82DD},  // み
    {0x3080, 0x82DE},  // む
    {0x3081, 0x82DF},  // め
    {0x3082, 0x82E0},  // も
    {0x3088, 0x82E6},  // よ
    {0x3089, 0x82E7},  // ら
    {0x308A, 0x82E8},  // り
    {0x308B, 0x82E9},  // る
    {0x308C, 0x82EA},  // れ
    {0x3092, 0x82F0},  // を
    {0x3093, 0x82F1},  // ん
    {0x30A1, 0x8340},  // ァ
    {0x30A2, 0x8341},  // ア
    {0x30A3, 0x8342},  // ィ
    {0x30A4, 0x8343},  // イ
    {0x30A6, 0x8345},  // ウ
    {0x30A7, 0x8346},  // ェ
    {0x30A8, 0x8347},  // エ
    {0x30AA, 0x8349},  // オ
    {0x30AB, 0x834A},  // カ
    {0x30AD, 0x834C},  // キ
    {0x30AE, 0x834D},  // ギ
    {0x30AF, 0x834E},  // ク
    {0x30B0, 0x834F},  // グ
    {0x30B3, 0x8352},  // コ
    {0x30B5, 0x8354},  // サ
    {0x30B8, 0x8357},  // ジ
    {0x30B9, 0x8358},  // ス
    {0x30BB, 0x835A},  // セ
    {0x30BD, 0x835C},  // ソ
    {0x30BF, 0x835E},  // タ
    {0x30C0, 0x835F},  // ダ
    {0x30C1, 0x8360},  // チ
    {0x30C3, 0x8362},  // ッ
    {0x30C6, 0x8365},  // テ
    {0x30C7, 0x8366},  // デ
    {0x30C8, 0x8367},  // ト
    {0x30C9, 0x8368},  // ド
    {0x30CE, 0x836D},  // ノ
    {0x30D0, 0x836F},  // バ
    {0x30D3, 0x8372},  // ビ
    {0x30D5, 0x8374},  // フ
    {0x30D6, 0x8375},  // ブ
    {0x30D7, 0x8376},  // プ
    {0x30D8, 0x8377},  // ヘ
    {0x30D9, 0x8378},  // ベ
    {0x30DD, 0x837C},  // ポ
    {0x30E0, 0x8380},  // ム
    {0x30E1, 0x8381},  // メ
    {0x30E2, 0x8382},  // モ
    {0x30E3, 0x8383},  // ャ
    {0x30E5, 0x8385},  // ュ
    {0x30E9, 0x8389},  // ラ
    {0x30EA, 0x838A},  // リ
    {0x30EB, 0x838B},  // ル
    {0x30EC, 0x838C},  // レ
    {0x30ED, 0x838D},  // ロ
    {0x30F3, 0x8393},  // ン
    {0x30FB, 0x8145},  // ・
    {0x30FC, 0x815B},  // ー
    {0x4E00, 0x88EA},  // 一
    {0x4E0A, 0x8FE3},  // 上
    {0x4E0D, 0x9573},  // 不
    {0x4E26, 0x95C0},  // 並
    {0x4E2D, 0x9286},  // 中
    {0x4E86, 0x97B9},  // 了
    {0x4ED8, 0x9574},  // 付
    {0x4EE5, 0x88C8},  // 以
    {0x4F4D, 0x88CA},  // 位
    {0x4F55, 0x89BD},  // 何
    {0x4F5C, 0x8DEC},  // 作
    {0x4F7F, 0x8E67},  // 使
    {0x5148, 0x90E6},  // 先
    {0x5165, 0x93FC},  // 入
    {0x5168, 0x9153},  // 全
    {0x5185, 0x93E0},  // 内
    {0x51FA, 0x8F6F},  // 出
    {0x5206, 0x95AA},  // 分
    {0x5207, 0x90D8},  // 切
    {0x521D, 0x8F89},  // 初
    {0x5225, 0x95CA},  // 別
    {0x5236, 0x90A7},  // 制
    {0x523B, 0x8D8F},  // 刻
    {0x524A, 0x8DED},  // 削
    {0x524D, 0x914F},  // 前
    {0x5272, 0x8A84},  // 割
    {0x529B, 0x97CD},  // 力
    {0x529F, 0x8CF7},  // 功
    {0x52A0, 0x89C1},  // 加
    {0x52D5, 0x93AE},  // 動
    {0x5370, 0x88F3},  // 印
    {0x53C2, 0x8E51},  // 参
    {0x53D6, 0x8EE6},  // 取
    {0x53D7, 0x8EF3},  // 受
    {0x53EF, 0x89C2},  // 可
    {0x53F7, 0x8D86},  // 号
    {0x5404, 0x8A65},  // 各
    {0x5408, 0x8D87},  // 合
    {0x540C, 0x93AF},  // 同
    {0x540D, 0x96BC},  // 名
    {0x544A, 0x8D90},  // 告
    {0x5468, 0x8EFC},  // 周
    {0x56DE, 0x89F1},  // 回
    {0x5728, 0x8DDD},  // 在
    {0x57CB, 0x9684},  // 埋
    {0x57FA, 0x8AEE},  // 基
    {0x5831, 0x95F1},  // 報
    {0x5909, 0x95CF},  // 変
    {0x5916, 0x8A4F},  // 外
    {0x5931, 0x8EB8},  // 失
    {0x5B58, 0x91B6},  // 存
    {0x5B9A, 0x92E8},  // 定
    {0x5B9F, 0x8EC0},  // 実
    {0x5BFE, 0x91CE},  // 対
    {0x5C3E, 0x94F6},  // 尾
    {0x5DFB, 0x8AAA},  // 巻
    {0x5E38, 0x8FED},  // 常
    {0x5E8F, 0x8F98},  // 序
    {0x5EA6, 0x9378},  // 度
    {0x5F15, 0x88F8},  // 引
    {0x5F37, 0x8BAD},  // 強
    {0x5F8C, 0x8CE3},  // 後
    {0x5FDC, 0x899E},  // 応
    {0x6210, 0x90AC},  // 成
    {0x623B, 0x96DF},  // 戻
    {0x6240, 0x8F8A},  // 所
    {0x6253, 0x91C5},  // 打
    {0x62BC, 0x899F},  // 押
    {0x6301, 0x8E9D},  // 持
    {0x633F, 0x917D},  // 挿
    {0x63A8, 0x9084},  // 推
    {0x63DB, 0x8AB7},  // 換
    {0x6557, 0x9473},  // 敗
    {0x6570, 0x9094},  // 数
    {0x65AD, 0x9266},  // 断
    {0x65B0, 0x9056},  // 新
    {0x65B9, 0x95FB},  // 方
    {0x65E2, 0x8AF9},  // 既
    {0x6642, 0x8E9E},  // 時
    {0x66F2, 0x8BC8},  // 曲
    {0x66F8, 0x8F91},  // 書
    {0x66FF, 0x91D6},  // 替
    {0x6700, 0x8DC5},  // 最
    {0x672B, 0x9696},  // 末
    {0x679C, 0x89CA},  // 果
    {0x6B20, 0x8C87},  // 欠
    {0x6B21, 0x8E9F},  // 次
    {0x6B62, 0x8E7E},  // 止
    {0x6B63, 0x90B3},  // 正
    {0x6B8B, 0x8E63},  // 残
    {0x6CE2, 0x9467},  // 波
    {0x6E08, 0x8DCF},  // 済
    {0x6E96, 0x8F80},  // 準
    {0x70B9, 0x935F},  // 点
    {0x7121, 0x96B3},  // 無
    {0x7167, 0x8FC6},  // 照
    {0x73FE, 0x8CBB},  // 現
    {0x7528, 0x9770},  // 用
    {0x756A, 0x94D4},  // 番
    {0x7570, 0x88D9},  // 異
    {0x76F4, 0x92BC},  // 直
    {0x77ED, 0x925A},  // 短
    {0x793A, 0x8EA6},  // 示
    {0x79D2, 0x9562},  // 秒
    {0x7AEF, 0x925B},  // 端
    {0x7B87, 0x89D3},  // 箇
    {0x7D04, 0x96F1},  // 約
    {0x7D42, 0x8F49},  // 終
    {0x7D50, 0x8C8B},  // 結
    {0x7D9A, 0x91B1},  // 続
    {0x7F6E, 0x9275},  // 置
    {0x81F4, 0x9276},  // 致
    {0x843D, 0x978E},  // 落
    {0x884C, 0x8D73},  // 行
    {0x8868, 0x955C},  // 表
    {0x88DC, 0x95E2},  // 補
    {0x8A2D, 0x90DD},  // 設
    {0x8A73, 0x8FDA},  // 詳
    {0x8AA4, 0x8CEB},  // 誤
    {0x8AAD, 0x93C7},  // 読
    {0x8D77, 0x8B4E},  // 起
    {0x8D85, 0x92B4},  // 超
    {0x8FBC, 0x8D9E},  // 込
    {0x8FD4, 0x95D4},  // 返
    {0x901A, 0x92CA},  // 通
    {0x9054, 0x9242},  // 達
    {0x90E8, 0x9594},  // 部
    {0x914D, 0x947A},  // 配
    {0x91CD, 0x8F64},  // 重
    {0x9332, 0x985E},  // 録
    {0x9577, 0x92B7},  // 長
    {0x9589, 0x95C2},  // 閉
    {0x9593, 0x8AD4},  // 間
    {0x9650, 0x8CC0},  // 限
    {0x9664, 0x8F9C},  // 除
    {0x97F3, 0x89B9},  // 音
    {0x9806, 0x8F87},  // 順
    {0x982D, 0x93AA},  // 頭
};

// The bytes of one text, as long as its UTF-8 (never shorter in UTF-8).
template <size_t N>
struct Encoded {
  char bytes[N] = {};
  bool ok = true;  // every character was found in the table
};

constexpr uint16_t codeOf(char32_t c) {
  for (const Row& r : kTable) {
    if (r.unicode == c) return r.code;
  }
  return 0;
}

template <size_t N>
constexpr Encoded<N> encode(const char (&utf8)[N]) {
  Encoded<N> out;
  size_t o = 0;
  for (size_t i = 0; i + 1 < N;) {
    auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {
      out.bytes[o++] = static_cast<char>(b);
      ++i;
      continue;
    }
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
    char32_t c = b & (0x3F >> extra);
    for (int k = 1; k <= extra && i + k + 1 < N; ++k) {
      c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    i += static_cast<size_t>(extra) + 1;
    uint16_t code = codeOf(c);
    if (code == 0) {
      out.ok = false;
      continue;
    }
    out.bytes[o++] = static_cast<char>(code >> 8);
    out.bytes[o++] = static_cast<char>(code & 0xFF);
  }
  return out;
}

// Code page 932 bytes (those of the texts, and ASCII) to UTF-8. A pair of
// bytes outside the table becomes "?".
std::string toUtf8(const char* bytes, size_t length);

}  // namespace cp932

namespace cp932 {

// Every console text, when DAT_LIST_MESSAGES is defined (the tests): each
// DAT_MESSAGE enters itself here, so that the tests check every text without
// a list of their own.
struct Listed {
  const char* name;
  const char* bytes;
  const char* utf8;
};
std::vector<Listed>& listed();
struct Listing {
  Listing(const char* name, const char* bytes, const char* utf8) {
    listed().push_back({name, bytes, utf8});
  }
};

}  // namespace cp932

#ifdef DAT_LIST_MESSAGES
#define DAT_MESSAGE_LISTED(name)                \
  inline const ::cp932::Listing name##Listing { \
#name, name, name##Utf8                     \
  }
#else
#define DAT_MESSAGE_LISTED(name) static_assert(true, "")
#endif

// Defines the console text `name`: its code page 932 bytes (what the
// programs print), and `name`Utf8, the text as written.
#define DAT_MESSAGE(name, text)                                                              \
  constexpr ::cp932::Encoded<sizeof(text)> name##Encoded = ::cp932::encode(text);            \
  static_assert(name##Encoded.ok, "a character of " #name " is missing from cp932::kTable"); \
  constexpr const char* name = name##Encoded.bytes;                                          \
  constexpr const char* name##Utf8 = text;                                                   \
  DAT_MESSAGE_LISTED(name)
