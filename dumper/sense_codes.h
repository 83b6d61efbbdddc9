// What a drive's sense data says: the fields of its fixed (70h, 71h) or
// descriptor (72h, 73h) form, and the standard names of the sense keys and
// of the additional sense codes (ASC/ASCQ) a tape drive reports, in one
// table: English as the SCSI code list names them, Japanese beside where
// it renders them faithfully (else the English in both).
#pragma once

#include <cstddef>
#include <cstdint>

#include "carrier.h"

// The fields of a sense area. When `valid` is false (no sense data came, or
// data of another form) none of the others holds anything.
struct SenseFields {
  bool valid = false;
  uint8_t key = 0, asc = 0, ascq = 0;
  bool filemark = false, endOfMedium = false, incorrectLength = false;
  bool hasInformation = false;  // the data marks its information field valid
  uint64_t information = 0;
};
// The fields of the `length` bytes at `sense` (as many as the system wrote:
// those past it are not looked at).
SenseFields decodeSense(const uint8_t* sense, size_t length);
// The fields of a command's sense area, as much of it as the system says
// it wrote (all of it where it does not say).
SenseFields senseOf(const ScsiResult& result);

// The name of sense key `key` (0-15) in English and in Japanese.
const char* senseKeyEnglish(uint8_t key);
const char* senseKeyJapanese(uint8_t key);
// The name of ASC/ASCQ in the table, in English and in Japanese; null when
// the table has none. Codes from 80h (of either byte) are the vendor's own.
const char* senseCodeEnglish(uint8_t asc, uint8_t ascq);
const char* senseCodeJapanese(uint8_t asc, uint8_t ascq);
bool senseCodeIsVendors(uint8_t asc, uint8_t ascq);
// The name of ASC/ASCQ in the language in use, or the text that says the
// vendor's own code or a code the table does not name.
const char* senseCodeText(uint8_t asc, uint8_t ascq);
// The name of sense key `key` in the language in use.
const char* senseKeyText(uint8_t key);
