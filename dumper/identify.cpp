#include "identify.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "console.h"
#include "dumper_messages.h"
#include "pass_through.h"
#include "sense_codes.h"

namespace {

constexpr uint8_t kGood = 0;

// `bytes` as the console shows a name: its control characters as \xNN.
std::string shownBytes(const uint8_t* bytes, size_t length) {
  return escapeControls(std::string(reinterpret_cast<const char*>(bytes), length).c_str());
}

std::string shownBytesWithNul(const uint8_t* bytes, size_t length) {
  std::string out;
  for (size_t k = 0; k < length; ++k) {
    out += bytes[k] == 0 ? std::string("\\x00") : shownBytes(bytes + k, 1);
  }
  return out;
}

// The bytes in hex, sixteen to a line.
void printHex(const uint8_t* bytes, int32_t length) {
  for (int32_t at = 0; at < length; at += 16) {
    std::string line;
    for (int32_t k = at; k < length && k < at + 16; ++k) {
      char byte[4];
      std::snprintf(byte, sizeof byte, "%s%02x", k == at ? "" : " ", bytes[k]);
      line += byte;
    }
    printStdout(msg::kIdentifyHexLine, line.c_str());
  }
}

// The identification as the capture reads it, and whether it is the
// supported drive. False when the control failed.
bool sayIdentification() {
  uint8_t id[pt::kIdentificationLength] = {};
  bool found = false;
  if (!identifyOpenedDrive(id, &found)) {
    printStdout(msg::kInquiryFailed);
    printLastError();
    return false;
  }
  if (!found) {
    printStdout(msg::kIdentifyNoIdentification);
    return true;
  }
  printStdout(msg::kIdentifyIdentification, shownBytesWithNul(id, sizeof id).c_str());
  printStdout(msg::kIdentifyFields, shownBytesWithNul(id, 8).c_str(),
              shownBytesWithNul(id + 8, 16).c_str(), shownBytesWithNul(id + 24, 4).c_str());
  const uint8_t* supported = reinterpret_cast<const uint8_t*>(pt::kSupportedDrive);
  std::string differs;
  const struct {
    size_t at, length;
    const char* name;
  } fields[] = {{0, 8, msg::kIdentifyVendor},
                {8, 16, msg::kIdentifyProduct},
                {24, 4, msg::kIdentifyRevision}};
  for (const auto& f : fields) {
    if (std::memcmp(id + f.at, supported + f.at, f.length) == 0) continue;
    differs += (differs.empty() ? "" : msg::kNameSeparator.c_str()) + std::string(f.name);
  }
  if (differs.empty()) {
    printStdout(msg::kIdentifySupported, pt::kSupportedDrive);
  } else {
    printStdout(msg::kIdentifyNotSupported, pt::kSupportedDrive, differs.c_str());
  }
  return true;
}

// A request of the identification: false, the console having said why,
// when it was not carried out or not answered GOOD.
bool answered(const char* what, bool carriedOut, const ScsiResult& r) {
  if (!carriedOut) {
    printStdout(msg::kIdentifyRequestFailed, what);
    printLastError();
    return false;
  }
  if (r.status == kGood) return true;
  SenseFields f = senseOf(r);
  if (f.valid) {
    printStdout(msg::kIdentifyRequestRefused, what, r.status, f.key, senseKeyText(f.key), f.asc,
                f.ascq, senseCodeText(f.asc, f.ascq));
  } else {
    printStdout(msg::kIdentifyRequestStatus, what, r.status);
  }
  return false;
}

void sayStandardInquiry() {
  uint8_t data[255] = {};
  int32_t length = 96;
  ScsiResult r;
  if (!answered("INQUIRY", ScsiInquiry(false, 0, data, &length, &r), r)) return;
  printStdout(msg::kIdentifyInquiryData, static_cast<int>(length));
  printHex(data, length);
}

// The vital product data pages: the list (00h), and the unit serial
// number (80h) where the list names it.
void sayProductData() {
  uint8_t data[255] = {};
  int32_t length = 255;
  ScsiResult r;
  if (!answered("INQUIRY VPD 00h", ScsiInquiry(true, 0x00, data, &length, &r), r)) return;
  std::string pages;
  bool serial = false;
  for (int32_t k = 4; k < length && k < 4 + data[3]; ++k) {
    char page[8];
    std::snprintf(page, sizeof page, "%s%02Xh", pages.empty() ? "" : " ", data[k]);
    pages += page;
    serial = serial || data[k] == 0x80;
  }
  printStdout(msg::kIdentifyPages, static_cast<int>(length), pages.c_str());
  printHex(data, length);
  if (!serial) {
    printStdout(msg::kIdentifyNoSerialPage);
    return;
  }
  length = 255;
  if (!answered("INQUIRY VPD 80h", ScsiInquiry(true, 0x80, data, &length, &r), r)) return;
  int32_t n = length > 4 ? std::min<int32_t>(length - 4, data[3]) : 0;
  printStdout(msg::kIdentifySerial, static_cast<int>(length),
              shownBytesWithNul(data + 4, static_cast<size_t>(n)).c_str());
  printHex(data, length);
}

// The current mode parameters, asked as the capture's first MODE SENSE.
void sayModeParameters() {
  uint8_t data[12] = {};
  int32_t length = 12;
  uint8_t status = 0, sense = 0;
  ScsiResult r;
  if (!answered("MODE SENSE", ScsiModeSense(data, &length, &status, &sense, &r), r)) return;
  printStdout(msg::kIdentifyModeData, static_cast<int>(length));
  printHex(data, length);
  const char* protect = length > 2 && (data[2] & 0x80) != 0 ? msg::kIdentifyYes : msg::kIdentifyNo;
  if (length < 12 || data[3] < 8) {
    printStdout(msg::kIdentifyNoDescriptor, protect);
    return;
  }
  const char* density = data[4] == 0x80   ? msg::kIdentifyAudioDensity.c_str()
                        : data[4] == 0x13 ? msg::kIdentifyDataDensity.c_str()
                                          : msg::kIdentifyOtherDensity.c_str();
  unsigned block = static_cast<unsigned>(data[9] << 16 | data[10] << 8 | data[11]);
  printStdout(msg::kIdentifyDensity, data[4], density, block,
              block == 0 ? msg::kIdentifyVariable.c_str() : "", protect);
}

}  // namespace

int runIdentify(const char* device) {
  prepareConsole();
  printStdout(msg::kKovrantBanner);
  std::string said;
  if (!openDriveToIdentify(device, &said)) return 1;
  if (!sayIdentification()) {
    closeTape();
    return 1;
  }
  sayStandardInquiry();
  sayProductData();
  sayModeParameters();
  closeTape();
  return 0;
}
