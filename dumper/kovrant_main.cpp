// KOVRANT: copies every frame of the DAT cassette in the tape drive into
// "KOVRANT.IMG" in the current directory (kovrant_program.h: its options).
#include "kovrant_program.h"

int main(int argc, char** argv) {
  return kovrantProgram(argc, argv);
}
