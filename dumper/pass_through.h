// The dumper's whole contact with the tape drive: identification of the
// drive and six requests (and for --identify the INQUIRY), each sending one
// six-byte SCSI command through the platform's carrier (carrier.h) and
// handing back the drive's answer. Every call of the carrier is seen by the
// trace (trace.h) as the carrier answered it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "carrier.h"

namespace pt {

constexpr int32_t kModeSenseLimit = 192;
constexpr char kSupportedDrive[] = "SONY    SDT-9000        12.2";

}  // namespace pt

// The six requests. True when the command was carried out, whatever SCSI
// status it ended with; false when a required argument is null (nothing is
// sent) or the carrier failed. Outputs are written only on true: `status`
// the SCSI status byte, `senseByte` byte 2 of the sense data as returned (0
// when none), `length` and `buffer` the bytes received (the rest of the
// buffer keeps what it held). `answer`, when given, receives the whole
// answer (its sense area).
bool ScsiTestUnitReady(uint8_t* status, uint8_t* senseByte);
bool ScsiRewind(uint8_t* status, uint8_t* senseByte);
bool ScsiUnload(uint8_t* status, uint8_t* senseByte);
bool ScsiModeSense(uint8_t* buffer, int32_t* length, uint8_t* status, uint8_t* senseByte,
                   ScsiResult* answer = nullptr);
bool ScsiModeSelect(const uint8_t* parameterList, int32_t length, uint8_t* status,
                    uint8_t* senseByte);
bool ScsiRead(uint8_t* buffer, int32_t* length, uint8_t* status, uint8_t* senseByte,
              ScsiResult* answer = nullptr);
// INQUIRY: the standard data, or with `vitalProductData` the page `page`
// (at most 255 bytes); `answer` receives the whole answer. True when the
// command was carried out.
bool ScsiInquiry(bool vitalProductData, uint8_t page, uint8_t* buffer, int32_t* length,
                 ScsiResult* answer);

// Opens the tape device and checks that the drive is the supported one:
// `device` when given, otherwise the first of the system's drives that is
// the supported one (when none that opened is, the first drive, refused,
// and each drive that could not be opened is named with the system's
// reason). On false it has printed why and closed what it opened. *said: the device's name as the
// console has said it (a device given, or several drives; its control
// characters escaped), else empty.
bool identifyDrive(const char* device, std::string* said);
// Opens the device that identifyDrive would check (`device`, else the first
// of the system's drives that is the supported one, else the first), saying
// which as identifyDrive does, but checks nothing. False when it could not
// be opened: the console has said why.
bool openDriveToIdentify(const char* device, std::string* said);
// The identification of the drive opened, as identifyDrive reads it. False
// when the control failed.
bool identifyOpenedDrive(uint8_t id[pt::kIdentificationLength], bool* found);
// Closes the tape device that identifyDrive opened.
void closeTape();
// Prints the operating system's text for the last error of the tape device.
void printLastError();
// The line that stands for a system text that could not be looked up
// (`error`: why the lookup failed), at most `size` - 1 characters.
void lookupFailedText(char* text, size_t size, long error);
