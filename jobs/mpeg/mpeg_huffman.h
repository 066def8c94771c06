#pragma once
// Layer III Huffman decoding of the quantised spectrum (ISO/IEC 11172-3
// Annex B, Tables 3-B.7). Every loop is bounded by the line count and the
// granule's bit budget, whatever the bits say.
#include <cstddef>
#include <cstdint>

#include "jobs/mpeg/mpeg_bit_reader.h"

// Decodes value pairs for lines [begin, end) (end - begin even) with
// table_select `tableSelect`, including linbits escapes and signs. Lines left
// when the reader reaches `endBit` are set to 0. Tables 0, 4 and 14 code no
// bits and give zeros.
void DecodeBigValues(MpegBitReader& reader, size_t endBit, uint32_t tableSelect, int32_t* values, int begin, int end);

// Decodes quadruples from line `begin` while bits remain before `endBit`,
// with count-1 table B when `tableB` is set, else table A. A quadruple that
// runs past `endBit` is dropped, and so is one that would run past line 576
// (big values ending at an odd pair), as in established decoders. Lines
// from the returned index to 576 are set to 0; the returned index is the end
// of the coded lines.
int DecodeCount1(MpegBitReader& reader, size_t endBit, bool tableB, int32_t* values, int begin);
