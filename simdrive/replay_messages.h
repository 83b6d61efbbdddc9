// The texts of kovrant-sim's replay of a trace (replay.h), each in Japanese
// and in English (texts.h).
#pragma once

#include "texts.h"

namespace msg {

DAT_MESSAGE(kReplayImageWithoutTrace, "kovrant-sim: --image は --replay と使います。\n",
            "kovrant-sim: --image goes with --replay.\n");
DAT_MESSAGE(kReplayCannotRead, "kovrant-sim: %s を読めません: %s\n",
            "kovrant-sim: cannot read %s: %s\n");
DAT_MESSAGE(kReplayNotATrace,
            "kovrant-sim: %lld 行目 (%s) は、トレース (kovrant-trace/1) の行ではありません。\n",
            "kovrant-sim: line %lld of %s is not a line of a trace (kovrant-trace/1).\n");
// A request that the trace does not hold where the replay has come: what
// KOVRANT asked, the trace, the line and what it holds there.
DAT_MESSAGE(kReplayDiffers,
            "kovrant-sim: 再生を終えます。KOVRANT の要求「%s」に対し、トレース %s の %lld "
            "行目は「%s」です。\n",
            "kovrant-sim: the replay ends: KOVRANT asked \"%s\"; the trace %s holds at line %lld "
            "\"%s\".\n");
DAT_MESSAGE(kReplayBeyondTheEnd,
            "kovrant-sim: 再生を終えます。KOVRANT の要求「%s」は、トレース %s の終わり (%lld "
            "行目) より後です。\n",
            "kovrant-sim: the replay ends: KOVRANT asked \"%s\" beyond the end of the trace %s "
            "(line %lld).\n");
DAT_MESSAGE(kReplayNotAsked,
            "kovrant-sim: 再生を終えます。トレース %s の %lld 行目の「%s」を KOVRANT "
            "は求めませんでした。\n",
            "kovrant-sim: the replay ends: the trace %s holds at line %lld \"%s\", which KOVRANT "
            "did not ask.\n");
// A frame of the image that is not the one the trace's READ delivered: the
// frame's number in the image, the image, the line and the trace.
DAT_MESSAGE(
    kReplayFrameDiffers,
    "kovrant-sim: 再生を終えます。イメージのフレーム %lld (%s) は、%lld 行目 (トレース "
    "%s) のフレームではありません (SHA-256 が違います)。\n",
    "kovrant-sim: the replay ends: frame %lld of the image %s is not the frame of line %lld "
    "of the trace %s (its SHA-256 differs).\n");
DAT_MESSAGE(kReplayImageEnds,
            "kovrant-sim: 再生を終えます。イメージ %s は、%lld 行目 (トレース %s) "
            "のフレームの前で終わっています。\n",
            "kovrant-sim: the replay ends: the image %s ends before the frame of line %lld of the "
            "trace %s.\n");
DAT_MESSAGE(kReplayNoImage,
            "kovrant-sim: 再生を終えます。%lld 行目 (トレース %s) "
            "のフレームはイメージにありますが、イメージ (--image) が与えられていません。\n",
            "kovrant-sim: the replay ends: the frame of line %lld of the trace %s is in the image, "
            "and no image was given (--image).\n");

}  // namespace msg
