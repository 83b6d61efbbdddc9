#include "conversion_log.h"

namespace {

long long ll(int64_t v) {
  return static_cast<long long>(v);
}

std::string seconds(double s) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", s);
  return text;
}

}  // namespace

bool ConversionLog::open(const std::string& options) {
  if (!out.open(convlog::kName)) return false;
  out.line("プログラム: SELTHIX %s", DAT_VERSION);
  out.line("オプション: %s", options.empty() ? "なし" : options.c_str());
  return true;
}

void ConversionLog::noImage(const char* message) {
  std::string text = message;
  while (!text.empty() && text.back() == '\n') text.pop_back();
  out.line("イメージ: KOVRANT.IMG を読めません (%s)", text.c_str());
}

void ConversionLog::image(int64_t frames, const tapetime::Analysis& time) {
  out.line("イメージ: KOVRANT.IMG (%lld フレーム)", ll(frames));
  if (time.framesWithTime == 0) {
    out.line("ATIME: なし (どのフレームにもATIMEパックがありません。ギャップは見つけられません)");
  } else {
    out.line("ATIME: %lld フレーム中 %lld フレームにあり", ll(frames), ll(time.framesWithTime));
    out.line("ギャップの長さの精度: ±%d フレーム", tapetime::kGapAccuracy);
  }
}

void ConversionLog::file(const FileRecord& r) {
  if (!out.isOpen()) return;
  out.line("ファイル: %s", r.name.c_str());
  out.line("サンプリング周波数: %u Hz", r.rate);
  if (r.frames > 0) {
    out.line("フレーム: %lld (イメージの %lld-%lld)", ll(r.frames), ll(r.first),
             ll(r.first + r.frames - 1));
  } else {
    out.line("フレーム: 0");
  }
  out.line("サンプル: %lld", ll(r.samplePairs));
  out.line("長さ: %s 秒", seconds(r.rate ? double(r.samplePairs) / r.rate : 0).c_str());
  out.line("最初のATIME: %s", r.hasTime ? tapetime::text(r.firstTime).c_str() : "なし");
  out.line("最後のATIME: %s", r.hasTime ? tapetime::text(r.lastTime).c_str() : "なし");
  if (r.emphasisOn == 0) {
    out.line("エンファシス: なし");
  } else if (r.emphasisOther == 0) {
    out.line("エンファシス: 50/15µs (オン。音声はそのまま)");
  } else {
    out.line("エンファシス: 混在 (オン %lld フレーム、オフ %lld フレーム。音声はそのまま)",
             ll(r.emphasisOn), ll(r.emphasisOther));
  }
  for (const FileBreak& b : r.breaks) {
    std::string before = tapetime::text(b.where.timeBefore);
    std::string after = tapetime::text(b.where.timeAfter);
    if (b.where.kind == tapetime::Break::Jump) {
      ++jumps;
      out.line("不連続: 位置=%lld サンプル 直前のATIME=%s 直後のATIME=%s (埋めていません)",
               ll(b.sample), before.c_str(), after.c_str());
      continue;
    }
    ++gaps;
    missing += b.where.missing;
    double duration = double(b.where.missing) * 3 / 100;  // a frame lasts 30 ms
    out.line(
        "ギャップ: 位置=%lld サンプル 直前のATIME=%s 直後のATIME=%s 欠落=%lld フレーム "
        "長さ=%s 秒 (%s)",
        ll(b.sample), before.c_str(), after.c_str(), ll(b.where.missing), seconds(duration).c_str(),
        b.filled ? "無音で埋めた" : "詰めた");
  }
  if (r.cutFrames > 0) out.line("区切りで除いたフレーム: %lld", ll(r.cutFrames));
  if (r.trimFrames > 0) out.line("末尾で除いたフレーム: %lld", ll(r.trimFrames));
  if (r.outcome == FileRecord::Failed) {
    ++failed;
    out.line("状態: 失敗 (%s)", r.reason.c_str());
    return;
  }
  ++written;
  out.line("SHA-256: %s  %s", r.sha256.c_str(), r.name.c_str());
  out.line("状態: %s", r.outcome == FileRecord::Placeholder
                           ? "ヘッダーのみ (32kHzは変換していません)"
                       : r.outcome == FileRecord::LongPlay
                           ? "ヘッダーのみ (12ビットの長時間モードは変換できません)"
                           : "完了");
}

void ConversionLog::staleRemoved(const std::string& name) {
  out.line("古い一時ファイルを削除: %s", name.c_str());
}

void ConversionLog::finish(int exitStatus, Ending ending) {
  if (!out.isOpen()) return;
  out.line("書いたファイル: %lld", ll(written));
  out.line("失敗したファイル: %lld", ll(failed));
  out.line("ギャップ: %lld か所、推定 %lld フレーム", ll(gaps), ll(missing));
  out.line("不連続: %lld か所", ll(jumps));
  out.line("終了ステータス: %d", exitStatus);
  const char* said = ending == Ending::ImageShortened ? "変換中にイメージが短くなったため中止"
                     : ending == Ending::ImageRewritten ? "変換中にイメージが書き換えられたため中止"
                     : ending == Ending::ImageReadError ? "イメージの一部を読み取れなかったため中止"
                     : ending == Ending::Interrupted ? "中断"
                     : ending == Ending::NoImage     ? "イメージを読めない"
                     : failed > 0                    ? "書けなかったファイルあり"
                                                     : "すべて書き込み";
  out.line(
      "まとめ: %s。ファイル %lld 個、ギャップ %lld か所 (推定 %lld フレーム)、不連続 %lld か所",
      said, ll(written), ll(gaps), ll(missing), ll(jumps));
  out.close();
}
