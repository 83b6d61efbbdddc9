#include "sense_codes.h"

#include "cp932.h"
#include "dumper_messages.h"
#include "language.h"

namespace {

struct Named {
  uint8_t asc, ascq;
  const char* english;
  const char* japanese;  // null: the English in both
};

// The additional sense codes a sequential-access device reports.
constexpr Named kCodes[] = {
    {0x00, 0x00, "NO ADDITIONAL SENSE INFORMATION", "追加センス情報なし"},
    {0x00, 0x01, "FILEMARK DETECTED", "ファイルマークを検出"},
    {0x00, 0x02, "END-OF-PARTITION/MEDIUM DETECTED", "パーティション/媒体の終端を検出"},
    {0x00, 0x03, "SETMARK DETECTED", "セットマークを検出"},
    {0x00, 0x04, "BEGINNING-OF-PARTITION/MEDIUM DETECTED", "パーティション/媒体の始端を検出"},
    {0x00, 0x05, "END-OF-DATA DETECTED", "データの終端を検出"},
    {0x00, 0x06, "I/O PROCESS TERMINATED", nullptr},
    {0x00, 0x17, "CLEANING REQUESTED", "クリーニングが必要"},
    {0x03, 0x00, "PERIPHERAL DEVICE WRITE FAULT", "周辺機器の書き込み障害"},
    {0x03, 0x01, "NO WRITE CURRENT", "書き込み電流なし"},
    {0x03, 0x02, "EXCESSIVE WRITE ERRORS", "書き込みエラーが多すぎる"},
    {0x04, 0x00, "LOGICAL UNIT NOT READY, CAUSE NOT REPORTABLE",
     "論理ユニットが準備できていない、原因は報告できない"},
    {0x04, 0x01, "LOGICAL UNIT IS IN PROCESS OF BECOMING READY", "論理ユニットは準備中"},
    {0x04, 0x02, "LOGICAL UNIT NOT READY, INITIALIZING COMMAND REQUIRED",
     "論理ユニットが準備できていない、初期化コマンドが必要"},
    {0x04, 0x03, "LOGICAL UNIT NOT READY, MANUAL INTERVENTION REQUIRED",
     "論理ユニットが準備できていない、手動の操作が必要"},
    {0x04, 0x04, "LOGICAL UNIT NOT READY, FORMAT IN PROGRESS",
     "論理ユニットが準備できていない、フォーマット中"},
    {0x04, 0x07, "LOGICAL UNIT NOT READY, OPERATION IN PROGRESS",
     "論理ユニットが準備できていない、操作の実行中"},
    {0x05, 0x00, "LOGICAL UNIT DOES NOT RESPOND TO SELECTION", "論理ユニットが選択に応答しない"},
    {0x08, 0x00, "LOGICAL UNIT COMMUNICATION FAILURE", "論理ユニットとの通信障害"},
    {0x08, 0x01, "LOGICAL UNIT COMMUNICATION TIME-OUT", "論理ユニットとの通信のタイムアウト"},
    {0x08, 0x02, "LOGICAL UNIT COMMUNICATION PARITY ERROR", "論理ユニットとの通信のパリティエラー"},
    {0x09, 0x00, "TRACK FOLLOWING ERROR", "トラック追従エラー"},
    {0x0C, 0x00, "WRITE ERROR", "書き込みエラー"},
    {0x11, 0x00, "UNRECOVERED READ ERROR", "回復できない読み取りエラー"},
    {0x11, 0x01, "READ RETRIES EXHAUSTED", "読み取りの再試行を使い果たした"},
    {0x11, 0x02, "ERROR TOO LONG TO CORRECT", "訂正するには長すぎるエラー"},
    {0x11, 0x03, "MULTIPLE READ ERRORS", "複数の読み取りエラー"},
    {0x11, 0x08, "INCOMPLETE BLOCK READ", "不完全なブロックの読み取り"},
    {0x11, 0x09, "NO GAP FOUND", "ギャップが見つからない"},
    {0x11, 0x0A, "MISCORRECTED ERROR", "誤って訂正されたエラー"},
    {0x14, 0x00, "RECORDED ENTITY NOT FOUND", "記録されたものが見つからない"},
    {0x14, 0x01, "RECORD NOT FOUND", "レコードが見つからない"},
    {0x14, 0x02, "FILEMARK OR SETMARK NOT FOUND", "ファイルマークまたはセットマークが見つからない"},
    {0x14, 0x03, "END-OF-DATA NOT FOUND", "データの終端が見つからない"},
    {0x14, 0x04, "BLOCK SEQUENCE ERROR", "ブロックの順序のエラー"},
    {0x15, 0x00, "RANDOM POSITIONING ERROR", nullptr},
    {0x15, 0x01, "MECHANICAL POSITIONING ERROR", "機械的な位置決めエラー"},
    {0x15, 0x02, "POSITIONING ERROR DETECTED BY READ OF MEDIUM",
     "媒体の読み取りで検出された位置決めエラー"},
    {0x17, 0x00, "RECOVERED DATA WITH NO ERROR CORRECTION APPLIED", "誤り訂正なしで回復したデータ"},
    {0x17, 0x01, "RECOVERED DATA WITH RETRIES", "再試行で回復したデータ"},
    {0x18, 0x00, "RECOVERED DATA WITH ERROR CORRECTION APPLIED", "誤り訂正で回復したデータ"},
    {0x1A, 0x00, "PARAMETER LIST LENGTH ERROR", "パラメータリストの長さのエラー"},
    {0x20, 0x00, "INVALID COMMAND OPERATION CODE", "無効なコマンド操作コード"},
    {0x24, 0x00, "INVALID FIELD IN CDB", "CDB内の無効なフィールド"},
    {0x25, 0x00, "LOGICAL UNIT NOT SUPPORTED", "論理ユニットがサポートされていない"},
    {0x26, 0x00, "INVALID FIELD IN PARAMETER LIST", "パラメータリスト内の無効なフィールド"},
    {0x26, 0x01, "PARAMETER NOT SUPPORTED", "パラメータがサポートされていない"},
    {0x26, 0x02, "PARAMETER VALUE INVALID", "パラメータの値が無効"},
    {0x27, 0x00, "WRITE PROTECTED", "書き込み禁止"},
    {0x28, 0x00, "NOT READY TO READY CHANGE, MEDIUM MAY HAVE CHANGED",
     "準備未完了から準備完了への変化、媒体が替わった可能性"},
    {0x29, 0x00, "POWER ON, RESET, OR BUS DEVICE RESET OCCURRED",
     "電源投入、リセット、またはバスデバイスリセットが発生"},
    {0x29, 0x01, "POWER ON OCCURRED", "電源投入が発生"},
    {0x29, 0x02, "SCSI BUS RESET OCCURRED", "SCSIバスリセットが発生"},
    {0x29, 0x03, "BUS DEVICE RESET FUNCTION OCCURRED", "バスデバイスリセット機能が発生"},
    {0x2A, 0x00, "PARAMETERS CHANGED", "パラメータが変更された"},
    {0x2A, 0x01, "MODE PARAMETERS CHANGED", "モードパラメータが変更された"},
    {0x2C, 0x00, "COMMAND SEQUENCE ERROR", "コマンドの順序のエラー"},
    {0x2F, 0x00, "COMMANDS CLEARED BY ANOTHER INITIATOR", nullptr},
    {0x30, 0x00, "INCOMPATIBLE MEDIUM INSTALLED", "互換性のない媒体が入っている"},
    {0x30, 0x01, "CANNOT READ MEDIUM - UNKNOWN FORMAT", "媒体を読めない - 不明なフォーマット"},
    {0x30, 0x02, "CANNOT READ MEDIUM - INCOMPATIBLE FORMAT",
     "媒体を読めない - 互換性のないフォーマット"},
    {0x30, 0x03, "CLEANING CARTRIDGE INSTALLED", "クリーニングカートリッジが入っている"},
    {0x31, 0x00, "MEDIUM FORMAT CORRUPTED", "媒体のフォーマットが壊れている"},
    {0x33, 0x00, "TAPE LENGTH ERROR", "テープの長さのエラー"},
    {0x37, 0x00, "ROUNDED PARAMETER", "丸められたパラメータ"},
    {0x39, 0x00, "SAVING PARAMETERS NOT SUPPORTED", "パラメータの保存はサポートされていない"},
    {0x3A, 0x00, "MEDIUM NOT PRESENT", "媒体がない"},
    {0x3B, 0x00, "SEQUENTIAL POSITIONING ERROR", nullptr},
    {0x3B, 0x01, "TAPE POSITION ERROR AT BEGINNING-OF-MEDIUM", "媒体の始端でのテープ位置エラー"},
    {0x3B, 0x02, "TAPE POSITION ERROR AT END-OF-MEDIUM", "媒体の終端でのテープ位置エラー"},
    {0x3B, 0x08, "REPOSITION ERROR", nullptr},
    {0x3F, 0x00, "TARGET OPERATING CONDITIONS HAVE CHANGED", "ターゲットの動作条件が変わった"},
    {0x3F, 0x01, "MICROCODE HAS BEEN CHANGED", "マイクロコードが変更された"},
    {0x43, 0x00, "MESSAGE ERROR", "メッセージのエラー"},
    {0x44, 0x00, "INTERNAL TARGET FAILURE", "ターゲット内部の障害"},
    {0x45, 0x00, "SELECT OR RESELECT FAILURE", "選択または再選択の失敗"},
    {0x47, 0x00, "SCSI PARITY ERROR", "SCSIパリティエラー"},
    {0x48, 0x00, "INITIATOR DETECTED ERROR MESSAGE RECEIVED", nullptr},
    {0x49, 0x00, "INVALID MESSAGE ERROR", "無効なメッセージのエラー"},
    {0x4A, 0x00, "COMMAND PHASE ERROR", "コマンドフェーズのエラー"},
    {0x4B, 0x00, "DATA PHASE ERROR", "データフェーズのエラー"},
    {0x4E, 0x00, "OVERLAPPED COMMANDS ATTEMPTED", nullptr},
    {0x50, 0x00, "WRITE APPEND ERROR", "追記のエラー"},
    {0x50, 0x01, "WRITE APPEND POSITION ERROR", "追記の位置のエラー"},
    {0x50, 0x02, "POSITION ERROR RELATED TO TIMING", "タイミングに関係する位置エラー"},
    {0x51, 0x00, "ERASE FAILURE", "消去の失敗"},
    {0x52, 0x00, "CARTRIDGE FAULT", "カートリッジの障害"},
    {0x53, 0x00, "MEDIA LOAD OR EJECT FAILED", "媒体のロードまたは取り出しの失敗"},
    {0x53, 0x01, "UNLOAD TAPE FAILURE", "テープのアンロードの失敗"},
    {0x53, 0x02, "MEDIUM REMOVAL PREVENTED", "媒体の取り出しが禁止されている"},
    {0x5A, 0x00, "OPERATOR REQUEST OR STATE CHANGE INPUT", nullptr},
    {0x5A, 0x01, "OPERATOR MEDIUM REMOVAL REQUEST", "操作者による媒体の取り出し要求"},
    {0x5B, 0x00, "LOG EXCEPTION", "ログの例外"},
    {0x5D, 0x00, "FAILURE PREDICTION THRESHOLD EXCEEDED", "障害予測のしきい値を超えた"},
};

constexpr const char* kKeys[16][2] = {
    {"NO SENSE", "センスなし"},
    {"RECOVERED ERROR", "回復したエラー"},
    {"NOT READY", "準備未完了"},
    {"MEDIUM ERROR", "媒体エラー"},
    {"HARDWARE ERROR", "ハードウェアエラー"},
    {"ILLEGAL REQUEST", "不正な要求"},
    {"UNIT ATTENTION", "ユニットアテンション"},
    {"DATA PROTECT", "データ保護"},
    {"BLANK CHECK", "ブランクチェック"},
    {"VENDOR SPECIFIC", "ベンダー固有"},
    {"COPY ABORTED", "コピー中止"},
    {"ABORTED COMMAND", "コマンド中止"},
    {"EQUAL", "EQUAL"},
    {"VOLUME OVERFLOW", "ボリュームオーバーフロー"},
    {"MISCOMPARE", "不一致"},
    {"RESERVED", "予約"},
};

// The console writes these in code page 932, as it writes every text.
constexpr bool allEncodable() {
  for (const Named& n : kCodes) {
    if (n.japanese != nullptr && !cp932::encodable(n.japanese)) return false;
  }
  for (const auto& k : kKeys) {
    if (!cp932::encodable(k[1])) return false;
  }
  return true;
}
static_assert(allEncodable(), "a name of the sense code table has no code page 932 form");

const Named* find(uint8_t asc, uint8_t ascq) {
  for (const Named& n : kCodes) {
    if (n.asc == asc && n.ascq == ascq) return &n;
  }
  return nullptr;
}

uint64_t bigEndian(const uint8_t* p, int bytes) {
  uint64_t v = 0;
  for (int k = 0; k < bytes; ++k) v = v << 8 | p[k];
  return v;
}

// Descriptor form: the information (type 00h) and the stream commands'
// flags (type 04h) among the descriptors from byte 8.
void readDescriptors(const uint8_t* s, size_t length, SenseFields* f) {
  size_t end = 8 + static_cast<size_t>(s[7]);
  if (end > length) end = length;
  for (size_t at = 8; at + 2 <= end; at += 2 + static_cast<size_t>(s[at + 1])) {
    const uint8_t* d = s + at;
    size_t size = d[1];
    if (at + 2 + size > end) break;
    if (d[0] == 0x00 && size >= 10 && (d[2] & 0x80) != 0) {
      f->hasInformation = true;
      f->information = bigEndian(d + 4, 8);
    }
    if (d[0] == 0x04 && size >= 2) {
      f->filemark = (d[3] & 0x80) != 0;
      f->endOfMedium = (d[3] & 0x40) != 0;
      f->incorrectLength = (d[3] & 0x20) != 0;
    }
  }
}

}  // namespace

SenseFields decodeSense(const uint8_t* s, size_t length) {
  SenseFields f;
  uint8_t code = length > 0 ? s[0] & 0x7F : 0;
  if ((code == 0x70 || code == 0x71) && length >= 3) {
    f.valid = true;
    f.key = s[2] & 0x0F;
    f.filemark = (s[2] & 0x80) != 0;
    f.endOfMedium = (s[2] & 0x40) != 0;
    f.incorrectLength = (s[2] & 0x20) != 0;
    f.hasInformation = (s[0] & 0x80) != 0 && length >= 7;
    if (f.hasInformation) f.information = bigEndian(s + 3, 4);
    if (length > 12) f.asc = s[12];
    if (length > 13) f.ascq = s[13];
  } else if ((code == 0x72 || code == 0x73) && length >= 4) {
    f.valid = true;
    f.key = s[1] & 0x0F;
    f.asc = s[2];
    f.ascq = s[3];
    if (length > 8) readDescriptors(s, length, &f);
  }
  return f;
}

SenseFields senseOf(const ScsiResult& r) {
  size_t length = pt::kSenseLength;
  if (r.senseLength >= 0 && static_cast<size_t>(r.senseLength) < length) {
    length = static_cast<size_t>(r.senseLength);
  }
  return decodeSense(r.sense, length);
}

const char* senseKeyEnglish(uint8_t key) {
  return kKeys[key & 0x0F][0];
}

const char* senseKeyJapanese(uint8_t key) {
  return kKeys[key & 0x0F][1];
}

const char* senseCodeEnglish(uint8_t asc, uint8_t ascq) {
  const Named* n = find(asc, ascq);
  return n != nullptr ? n->english : nullptr;
}

const char* senseCodeJapanese(uint8_t asc, uint8_t ascq) {
  const Named* n = find(asc, ascq);
  if (n == nullptr) return nullptr;
  return n->japanese != nullptr ? n->japanese : n->english;
}

bool senseCodeIsVendors(uint8_t asc, uint8_t ascq) {
  return asc >= 0x80 || ascq >= 0x80;
}

const char* senseCodeText(uint8_t asc, uint8_t ascq) {
  const char* name = englishTexts() ? senseCodeEnglish(asc, ascq) : senseCodeJapanese(asc, ascq);
  if (name != nullptr) return name;
  return senseCodeIsVendors(asc, ascq) ? msg::kSenseCodeVendors.c_str()
                                       : msg::kSenseCodeUnnamed.c_str();
}

const char* senseKeyText(uint8_t key) {
  return englishTexts() ? senseKeyEnglish(key) : senseKeyJapanese(key);
}
