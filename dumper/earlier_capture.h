// The capture that stood in the directory before this one: the earlier read
// of a tape may be the better one of a tape that has since worn, so its
// frames are never lost to the new capture. When the cassette arrives and a
// KOVRANT.IMG of at least one whole frame stands there (a file of its own:
// what a link leads to is not touched by the new image), it is renamed, never
// copied, to KOVRANT-N.IMG, and with it the record and the log that describe
// it to KOVRANT-N.json and KOVRANT-N.LOG: N is the first number at which all
// three names are free and that this capture's own log or record will not
// take (beside another user's KOVRANT.LOG or KOVRANT.json they go under the
// first free numbered name).
//
// The record that describes the image is this user's KOVRANT.json that
// counts as many frames written as the image holds (beside another user's
// KOVRANT.json: the first such KOVRANT-N.json that no KOVRANT-N.IMG stands
// beside, as that one is a kept capture's); the log is the one it names, when
// it is one of the capture's names and this user's file. Without such a
// record the image is kept alone.
#pragma once

#include "records.h"

enum class Earlier {
  None,     // no image with frames stood there: the new one replaces what did
  Kept,     // kept as *kept says
  NotKept,  // it could not be renamed (*error says why): the capture must not begin
};

// Keeps the earlier capture in the current directory, as above. *kept
// receives what was kept (Kept) or the image's frames (NotKept).
Earlier keepEarlierCapture(records::CaptureKept* kept, int* error);

// The names kept, as the console and the log list them.
std::string keptNames(const records::CaptureKept& kept);
