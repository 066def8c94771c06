#include "jobs/mpeg/mpeg_huffman.h"

#include <array>

namespace {

// A code word of the standard's tables: its bits, right-aligned, and length.
struct HUFFMAN_CODE {
  uint16_t code;
  uint8_t length;
};

// Table 1: 2x2 values, row x, column y.
constexpr HUFFMAN_CODE kCodes1[] = {
    {0x1, 1},
    {0x1, 3},
    {0x1, 2},
    {0x0, 3},
};

// Table 2: 3x3 values, row x, column y.
constexpr HUFFMAN_CODE kCodes2[] = {
    {0x1, 1}, {0x2, 3}, {0x1, 6}, {0x3, 3}, {0x1, 3}, {0x1, 5}, {0x3, 5}, {0x2, 5}, {0x0, 6},
};

// Table 3: 3x3 values, row x, column y.
constexpr HUFFMAN_CODE kCodes3[] = {
    {0x3, 2}, {0x2, 2}, {0x1, 6}, {0x1, 3}, {0x1, 2}, {0x1, 5}, {0x3, 5}, {0x2, 5}, {0x0, 6},
};

// Table 5: 4x4 values, row x, column y.
constexpr HUFFMAN_CODE kCodes5[] = {
    {0x1, 1}, {0x2, 3}, {0x6, 6}, {0x5, 7}, {0x3, 3}, {0x1, 3}, {0x4, 6}, {0x4, 7},
    {0x7, 6}, {0x5, 6}, {0x7, 7}, {0x1, 8}, {0x6, 7}, {0x1, 6}, {0x1, 7}, {0x0, 8},
};

// Table 6: 4x4 values, row x, column y.
constexpr HUFFMAN_CODE kCodes6[] = {
    {0x7, 3}, {0x3, 3}, {0x5, 5}, {0x1, 7}, {0x6, 3}, {0x2, 2}, {0x3, 4}, {0x2, 5},
    {0x5, 4}, {0x4, 4}, {0x4, 5}, {0x1, 6}, {0x3, 6}, {0x3, 5}, {0x2, 6}, {0x0, 7},
};

// Table 7: 6x6 values, row x, column y.
constexpr HUFFMAN_CODE kCodes7[] = {
    {0x1, 1}, {0x2, 3}, {0xa, 6},  {0x13, 8}, {0x10, 8}, {0xa, 9}, {0x3, 3},  {0x3, 4},  {0x7, 6},
    {0xa, 7}, {0x5, 7}, {0x3, 8},  {0xb, 6},  {0x4, 5},  {0xd, 7}, {0x11, 8}, {0x8, 8},  {0x4, 9},
    {0xc, 7}, {0xb, 7}, {0x12, 8}, {0xf, 9},  {0xb, 9},  {0x2, 9}, {0x7, 7},  {0x6, 7},  {0x9, 8},
    {0xe, 9}, {0x3, 9}, {0x1, 10}, {0x6, 8},  {0x4, 8},  {0x5, 9}, {0x3, 10}, {0x2, 10}, {0x0, 10},
};

// Table 8: 6x6 values, row x, column y.
constexpr HUFFMAN_CODE kCodes8[] = {
    {0x3, 2},  {0x4, 3},  {0x6, 6},  {0x12, 8}, {0xc, 8}, {0x5, 9},  {0x5, 3}, {0x1, 2},  {0x2, 4},
    {0x10, 8}, {0x9, 8},  {0x3, 8},  {0x7, 6},  {0x3, 4}, {0x5, 6},  {0xe, 8}, {0x7, 8},  {0x3, 9},
    {0x13, 8}, {0x11, 8}, {0xf, 8},  {0xd, 9},  {0xa, 9}, {0x4, 10}, {0xd, 8}, {0x5, 7},  {0x8, 8},
    {0xb, 9},  {0x5, 10}, {0x1, 10}, {0xc, 9},  {0x4, 8}, {0x4, 9},  {0x1, 9}, {0x1, 11}, {0x0, 11},
};

// Table 9: 6x6 values, row x, column y.
constexpr HUFFMAN_CODE kCodes9[] = {
    {0x7, 3}, {0x5, 3}, {0x9, 5}, {0xe, 6}, {0xf, 8}, {0x7, 9}, {0x6, 3}, {0x4, 3}, {0x5, 4},
    {0x5, 5}, {0x6, 6}, {0x7, 8}, {0x7, 4}, {0x6, 4}, {0x8, 5}, {0x8, 6}, {0x8, 7}, {0x5, 8},
    {0xf, 6}, {0x6, 5}, {0x9, 6}, {0xa, 7}, {0x5, 7}, {0x1, 8}, {0xb, 7}, {0x7, 6}, {0x9, 7},
    {0x6, 7}, {0x4, 8}, {0x1, 9}, {0xe, 8}, {0x4, 7}, {0x6, 8}, {0x2, 8}, {0x6, 9}, {0x0, 9},
};

// Table 10: 8x8 values, row x, column y.
constexpr HUFFMAN_CODE kCodes10[] = {
    {0x1, 1},  {0x2, 3},  {0xa, 6},   {0x17, 8},  {0x23, 9},  {0x1e, 9},  {0xc, 9},  {0x11, 10},
    {0x3, 3},  {0x3, 4},  {0x8, 6},   {0xc, 7},   {0x12, 8},  {0x15, 9},  {0xc, 8},  {0x7, 8},
    {0xb, 6},  {0x9, 6},  {0xf, 7},   {0x15, 8},  {0x20, 9},  {0x28, 10}, {0x13, 9}, {0x6, 9},
    {0xe, 7},  {0xd, 7},  {0x16, 8},  {0x22, 9},  {0x2e, 10}, {0x17, 10}, {0x12, 9}, {0x7, 10},
    {0x14, 8}, {0x13, 8}, {0x21, 9},  {0x2f, 10}, {0x1b, 10}, {0x16, 10}, {0x9, 10}, {0x3, 10},
    {0x1f, 9}, {0x16, 9}, {0x29, 10}, {0x1a, 10}, {0x15, 11}, {0x14, 11}, {0x5, 10}, {0x3, 11},
    {0xe, 8},  {0xd, 8},  {0xa, 9},   {0xb, 10},  {0x10, 10}, {0x6, 10},  {0x5, 11}, {0x1, 11},
    {0x9, 9},  {0x8, 8},  {0x7, 9},   {0x8, 10},  {0x4, 10},  {0x4, 11},  {0x2, 11}, {0x0, 11},
};

// Table 11: 8x8 values, row x, column y.
constexpr HUFFMAN_CODE kCodes11[] = {
    {0x3, 2},  {0x4, 3},  {0xa, 5},  {0x18, 7},  {0x22, 8},  {0x21, 9}, {0x15, 8}, {0xf, 9},   {0x5, 3},  {0x3, 3},
    {0x4, 4},  {0xa, 6},  {0x20, 8}, {0x11, 8},  {0xb, 7},   {0xa, 8},  {0xb, 5},  {0x7, 5},   {0xd, 6},  {0x12, 7},
    {0x1e, 8}, {0x1f, 9}, {0x14, 8}, {0x5, 8},   {0x19, 7},  {0xb, 6},  {0x13, 7}, {0x3b, 9},  {0x1b, 8}, {0x12, 10},
    {0xc, 8},  {0x5, 9},  {0x23, 8}, {0x21, 8},  {0x1f, 8},  {0x3a, 9}, {0x1e, 9}, {0x10, 10}, {0x7, 9},  {0x5, 10},
    {0x1c, 8}, {0x1a, 8}, {0x20, 9}, {0x13, 10}, {0x11, 10}, {0xf, 11}, {0x8, 10}, {0xe, 11},  {0xe, 8},  {0xc, 7},
    {0x9, 7},  {0xd, 8},  {0xe, 9},  {0x9, 10},  {0x4, 10},  {0x1, 10}, {0xb, 8},  {0x4, 7},   {0x6, 8},  {0x6, 9},
    {0x6, 10}, {0x3, 10}, {0x2, 10}, {0x0, 10},
};

// Table 12: 8x8 values, row x, column y.
constexpr HUFFMAN_CODE kCodes12[] = {
    {0x9, 4},  {0x6, 3},  {0x10, 5}, {0x21, 7}, {0x29, 8}, {0x27, 9}, {0x26, 9}, {0x1a, 9}, {0x7, 3},  {0x5, 3},
    {0x6, 4},  {0x9, 5},  {0x17, 7}, {0x10, 7}, {0x1a, 8}, {0xb, 8},  {0x11, 5}, {0x7, 4},  {0xb, 5},  {0xe, 6},
    {0x15, 7}, {0x1e, 8}, {0xa, 7},  {0x7, 8},  {0x11, 6}, {0xa, 5},  {0xf, 6},  {0xc, 6},  {0x12, 7}, {0x1c, 8},
    {0xe, 8},  {0x5, 8},  {0x20, 7}, {0xd, 6},  {0x16, 7}, {0x13, 7}, {0x12, 8}, {0x10, 8}, {0x9, 8},  {0x5, 9},
    {0x28, 8}, {0x11, 7}, {0x1f, 8}, {0x1d, 8}, {0x11, 8}, {0xd, 9},  {0x4, 8},  {0x2, 9},  {0x1b, 8}, {0xc, 7},
    {0xb, 7},  {0xf, 8},  {0xa, 8},  {0x7, 9},  {0x4, 9},  {0x1, 10}, {0x1b, 9}, {0xc, 8},  {0x8, 8},  {0xc, 9},
    {0x6, 9},  {0x3, 9},  {0x1, 9},  {0x0, 10},
};

// Table 13: 16x16 values, row x, column y.
constexpr HUFFMAN_CODE kCodes13[] = {
    {0x1, 1},   {0x5, 4},   {0xe, 6},   {0x15, 7},  {0x22, 8},  {0x33, 9},  {0x2e, 9},  {0x47, 10}, {0x2a, 9},
    {0x34, 10}, {0x44, 11}, {0x34, 11}, {0x43, 12}, {0x2c, 12}, {0x2b, 13}, {0x13, 13}, {0x3, 3},   {0x4, 4},
    {0xc, 6},   {0x13, 7},  {0x1f, 8},  {0x1a, 8},  {0x2c, 9},  {0x21, 9},  {0x1f, 9},  {0x18, 9},  {0x20, 10},
    {0x18, 10}, {0x1f, 11}, {0x23, 12}, {0x16, 12}, {0xe, 12},  {0xf, 6},   {0xd, 6},   {0x17, 7},  {0x24, 8},
    {0x3b, 9},  {0x31, 9},  {0x4d, 10}, {0x41, 10}, {0x1d, 9},  {0x28, 10}, {0x1e, 10}, {0x28, 11}, {0x1b, 11},
    {0x21, 12}, {0x2a, 13}, {0x10, 13}, {0x16, 7},  {0x14, 7},  {0x25, 8},  {0x3d, 9},  {0x38, 9},  {0x4f, 10},
    {0x49, 10}, {0x40, 10}, {0x2b, 10}, {0x4c, 11}, {0x38, 11}, {0x25, 11}, {0x1a, 11}, {0x1f, 12}, {0x19, 13},
    {0xe, 13},  {0x23, 8},  {0x10, 7},  {0x3c, 9},  {0x39, 9},  {0x61, 10}, {0x4b, 10}, {0x72, 11}, {0x5b, 11},
    {0x36, 10}, {0x49, 11}, {0x37, 11}, {0x29, 12}, {0x30, 12}, {0x35, 13}, {0x17, 13}, {0x18, 14}, {0x3a, 9},
    {0x1b, 8},  {0x32, 9},  {0x60, 10}, {0x4c, 10}, {0x46, 10}, {0x5d, 11}, {0x54, 11}, {0x4d, 11}, {0x3a, 11},
    {0x4f, 12}, {0x1d, 11}, {0x4a, 13}, {0x31, 13}, {0x29, 14}, {0x11, 14}, {0x2f, 9},  {0x2d, 9},  {0x4e, 10},
    {0x4a, 10}, {0x73, 11}, {0x5e, 11}, {0x5a, 11}, {0x4f, 11}, {0x45, 11}, {0x53, 12}, {0x47, 12}, {0x32, 12},
    {0x3b, 13}, {0x26, 13}, {0x24, 14}, {0xf, 14},  {0x48, 10}, {0x22, 9},  {0x38, 10}, {0x5f, 11}, {0x5c, 11},
    {0x55, 11}, {0x5b, 12}, {0x5a, 12}, {0x56, 12}, {0x49, 12}, {0x4d, 13}, {0x41, 13}, {0x33, 13}, {0x2c, 14},
    {0x2b, 16}, {0x2a, 16}, {0x2b, 9},  {0x14, 8},  {0x1e, 9},  {0x2c, 10}, {0x37, 10}, {0x4e, 11}, {0x48, 11},
    {0x57, 12}, {0x4e, 12}, {0x3d, 12}, {0x2e, 12}, {0x36, 13}, {0x25, 13}, {0x1e, 14}, {0x14, 15}, {0x10, 15},
    {0x35, 10}, {0x19, 9},  {0x29, 10}, {0x25, 10}, {0x2c, 11}, {0x3b, 11}, {0x36, 11}, {0x51, 13}, {0x42, 12},
    {0x4c, 13}, {0x39, 13}, {0x36, 14}, {0x25, 14}, {0x12, 14}, {0x27, 16}, {0xb, 15},  {0x23, 10}, {0x21, 10},
    {0x1f, 10}, {0x39, 11}, {0x2a, 11}, {0x52, 12}, {0x48, 12}, {0x50, 13}, {0x2f, 12}, {0x3a, 13}, {0x37, 14},
    {0x15, 13}, {0x16, 14}, {0x1a, 15}, {0x26, 16}, {0x16, 17}, {0x35, 11}, {0x19, 10}, {0x17, 10}, {0x26, 11},
    {0x46, 12}, {0x3c, 12}, {0x33, 12}, {0x24, 12}, {0x37, 13}, {0x1a, 13}, {0x22, 13}, {0x17, 14}, {0x1b, 15},
    {0xe, 15},  {0x9, 15},  {0x7, 16},  {0x22, 11}, {0x20, 11}, {0x1c, 11}, {0x27, 12}, {0x31, 12}, {0x4b, 13},
    {0x1e, 12}, {0x34, 13}, {0x30, 14}, {0x28, 14}, {0x34, 15}, {0x1c, 15}, {0x12, 15}, {0x11, 16}, {0x9, 16},
    {0x5, 16},  {0x2d, 12}, {0x15, 11}, {0x22, 12}, {0x40, 13}, {0x38, 13}, {0x32, 13}, {0x31, 14}, {0x2d, 14},
    {0x1f, 14}, {0x13, 14}, {0xc, 14},  {0xf, 15},  {0xa, 16},  {0x7, 15},  {0x6, 16},  {0x3, 16},  {0x30, 13},
    {0x17, 12}, {0x14, 12}, {0x27, 13}, {0x24, 13}, {0x23, 13}, {0x35, 15}, {0x15, 14}, {0x10, 14}, {0x17, 17},
    {0xd, 15},  {0xa, 15},  {0x6, 15},  {0x1, 17},  {0x4, 16},  {0x2, 16},  {0x10, 12}, {0xf, 12},  {0x11, 13},
    {0x1b, 14}, {0x19, 14}, {0x14, 14}, {0x1d, 15}, {0xb, 14},  {0x11, 15}, {0xc, 15},  {0x10, 16}, {0x8, 16},
    {0x1, 19},  {0x1, 18},  {0x0, 19},  {0x1, 16},
};

// Table 15: 16x16 values, row x, column y.
constexpr HUFFMAN_CODE kCodes15[] = {
    {0x7, 3},   {0xc, 4},   {0x12, 5},  {0x35, 7},  {0x2f, 7},  {0x4c, 8},  {0x7c, 9},  {0x6c, 9},  {0x59, 9},
    {0x7b, 10}, {0x6c, 10}, {0x77, 11}, {0x6b, 11}, {0x51, 11}, {0x7a, 12}, {0x3f, 13}, {0xd, 4},   {0x5, 3},
    {0x10, 5},  {0x1b, 6},  {0x2e, 7},  {0x24, 7},  {0x3d, 8},  {0x33, 8},  {0x2a, 8},  {0x46, 9},  {0x34, 9},
    {0x53, 10}, {0x41, 10}, {0x29, 10}, {0x3b, 11}, {0x24, 11}, {0x13, 5},  {0x11, 5},  {0xf, 5},   {0x18, 6},
    {0x29, 7},  {0x22, 7},  {0x3b, 8},  {0x30, 8},  {0x28, 8},  {0x40, 9},  {0x32, 9},  {0x4e, 10}, {0x3e, 10},
    {0x50, 11}, {0x38, 11}, {0x21, 11}, {0x1d, 6},  {0x1c, 6},  {0x19, 6},  {0x2b, 7},  {0x27, 7},  {0x3f, 8},
    {0x37, 8},  {0x5d, 9},  {0x4c, 9},  {0x3b, 9},  {0x5d, 10}, {0x48, 10}, {0x36, 10}, {0x4b, 11}, {0x32, 11},
    {0x1d, 11}, {0x34, 7},  {0x16, 6},  {0x2a, 7},  {0x28, 7},  {0x43, 8},  {0x39, 8},  {0x5f, 9},  {0x4f, 9},
    {0x48, 9},  {0x39, 9},  {0x59, 10}, {0x45, 10}, {0x31, 10}, {0x42, 11}, {0x2e, 11}, {0x1b, 11}, {0x4d, 8},
    {0x25, 7},  {0x23, 7},  {0x42, 8},  {0x3a, 8},  {0x34, 8},  {0x5b, 9},  {0x4a, 9},  {0x3e, 9},  {0x30, 9},
    {0x4f, 10}, {0x3f, 10}, {0x5a, 11}, {0x3e, 11}, {0x28, 11}, {0x26, 12}, {0x7d, 9},  {0x20, 7},  {0x3c, 8},
    {0x38, 8},  {0x32, 8},  {0x5c, 9},  {0x4e, 9},  {0x41, 9},  {0x37, 9},  {0x57, 10}, {0x47, 10}, {0x33, 10},
    {0x49, 11}, {0x33, 11}, {0x46, 12}, {0x1e, 12}, {0x6d, 9},  {0x35, 8},  {0x31, 8},  {0x5e, 9},  {0x58, 9},
    {0x4b, 9},  {0x42, 9},  {0x7a, 10}, {0x5b, 10}, {0x49, 10}, {0x38, 10}, {0x2a, 10}, {0x40, 11}, {0x2c, 11},
    {0x15, 11}, {0x19, 12}, {0x5a, 9},  {0x2b, 8},  {0x29, 8},  {0x4d, 9},  {0x49, 9},  {0x3f, 9},  {0x38, 9},
    {0x5c, 10}, {0x4d, 10}, {0x42, 10}, {0x2f, 10}, {0x43, 11}, {0x30, 11}, {0x35, 12}, {0x24, 12}, {0x14, 12},
    {0x47, 9},  {0x22, 8},  {0x43, 9},  {0x3c, 9},  {0x3a, 9},  {0x31, 9},  {0x58, 10}, {0x4c, 10}, {0x43, 10},
    {0x6a, 11}, {0x47, 11}, {0x36, 11}, {0x26, 11}, {0x27, 12}, {0x17, 12}, {0xf, 12},  {0x6d, 10}, {0x35, 9},
    {0x33, 9},  {0x2f, 9},  {0x5a, 10}, {0x52, 10}, {0x3a, 10}, {0x39, 10}, {0x30, 10}, {0x48, 11}, {0x39, 11},
    {0x29, 11}, {0x17, 11}, {0x1b, 12}, {0x3e, 13}, {0x9, 12},  {0x56, 10}, {0x2a, 9},  {0x28, 9},  {0x25, 9},
    {0x46, 10}, {0x40, 10}, {0x34, 10}, {0x2b, 10}, {0x46, 11}, {0x37, 11}, {0x2a, 11}, {0x19, 11}, {0x1d, 12},
    {0x12, 12}, {0xb, 12},  {0xb, 13},  {0x76, 11}, {0x44, 10}, {0x1e, 9},  {0x37, 10}, {0x32, 10}, {0x2e, 10},
    {0x4a, 11}, {0x41, 11}, {0x31, 11}, {0x27, 11}, {0x18, 11}, {0x10, 11}, {0x16, 12}, {0xd, 12},  {0xe, 13},
    {0x7, 13},  {0x5b, 11}, {0x2c, 10}, {0x27, 10}, {0x26, 10}, {0x22, 10}, {0x3f, 11}, {0x34, 11}, {0x2d, 11},
    {0x1f, 11}, {0x34, 12}, {0x1c, 12}, {0x13, 12}, {0xe, 12},  {0x8, 12},  {0x9, 13},  {0x3, 13},  {0x7b, 12},
    {0x3c, 11}, {0x3a, 11}, {0x35, 11}, {0x2f, 11}, {0x2b, 11}, {0x20, 11}, {0x16, 11}, {0x25, 12}, {0x18, 12},
    {0x11, 12}, {0xc, 12},  {0xf, 13},  {0xa, 13},  {0x2, 12},  {0x1, 13},  {0x47, 12}, {0x25, 11}, {0x22, 11},
    {0x1e, 11}, {0x1c, 11}, {0x14, 11}, {0x11, 11}, {0x1a, 12}, {0x15, 12}, {0x10, 12}, {0xa, 12},  {0x6, 12},
    {0x8, 13},  {0x6, 13},  {0x2, 13},  {0x0, 13},
};

// Table 16: 16x16 values, row x, column y.
constexpr HUFFMAN_CODE kCodes16[] = {
    {0x1, 1},    {0x5, 4},    {0xe, 6},    {0x2c, 8},   {0x4a, 9},   {0x3f, 9},   {0x6e, 10},  {0x5d, 10},  {0xac, 11},
    {0x95, 11},  {0x8a, 11},  {0xf2, 12},  {0xe1, 12},  {0xc3, 12},  {0x178, 13}, {0x11, 9},   {0x3, 3},    {0x4, 4},
    {0xc, 6},    {0x14, 7},   {0x23, 8},   {0x3e, 9},   {0x35, 9},   {0x2f, 9},   {0x53, 10},  {0x4b, 10},  {0x44, 10},
    {0x77, 11},  {0xc9, 12},  {0x6b, 11},  {0xcf, 12},  {0x9, 8},    {0xf, 6},    {0xd, 6},    {0x17, 7},   {0x26, 8},
    {0x43, 9},   {0x3a, 9},   {0x67, 10},  {0x5a, 10},  {0xa1, 11},  {0x48, 10},  {0x7f, 11},  {0x75, 11},  {0x6e, 11},
    {0xd1, 12},  {0xce, 12},  {0x10, 9},   {0x2d, 8},   {0x15, 7},   {0x27, 8},   {0x45, 9},   {0x40, 9},   {0x72, 10},
    {0x63, 10},  {0x57, 10},  {0x9e, 11},  {0x8c, 11},  {0xfc, 12},  {0xd4, 12},  {0xc7, 12},  {0x183, 13}, {0x16d, 13},
    {0x1a, 10},  {0x4b, 9},   {0x24, 8},   {0x44, 9},   {0x41, 9},   {0x73, 10},  {0x65, 10},  {0xb3, 11},  {0xa4, 11},
    {0x9b, 11},  {0x108, 12}, {0xf6, 12},  {0xe2, 12},  {0x18b, 13}, {0x17e, 13}, {0x16a, 13}, {0x9, 9},    {0x42, 9},
    {0x1e, 8},   {0x3b, 9},   {0x38, 9},   {0x66, 10},  {0xb9, 11},  {0xad, 11},  {0x109, 12}, {0x8e, 11},  {0xfd, 12},
    {0xe8, 12},  {0x190, 13}, {0x184, 13}, {0x17a, 13}, {0x1bd, 14}, {0x10, 10},  {0x6f, 10},  {0x36, 9},   {0x34, 9},
    {0x64, 10},  {0xb8, 11},  {0xb2, 11},  {0xa0, 11},  {0x85, 11},  {0x101, 12}, {0xf4, 12},  {0xe4, 12},  {0xd9, 12},
    {0x181, 13}, {0x16e, 13}, {0x2cb, 14}, {0xa, 10},   {0x62, 10},  {0x30, 9},   {0x5b, 10},  {0x58, 10},  {0xa5, 11},
    {0x9d, 11},  {0x94, 11},  {0x105, 12}, {0xf8, 12},  {0x197, 13}, {0x18d, 13}, {0x174, 13}, {0x17c, 13}, {0x379, 15},
    {0x374, 15}, {0x8, 10},   {0x55, 10},  {0x54, 10},  {0x51, 10},  {0x9f, 11},  {0x9c, 11},  {0x8f, 11},  {0x104, 12},
    {0xf9, 12},  {0x1ab, 13}, {0x191, 13}, {0x188, 13}, {0x17f, 13}, {0x2d7, 14}, {0x2c9, 14}, {0x2c4, 14}, {0x7, 10},
    {0x9a, 11},  {0x4c, 10},  {0x49, 10},  {0x8d, 11},  {0x83, 11},  {0x100, 12}, {0xf5, 12},  {0x1aa, 13}, {0x196, 13},
    {0x18a, 13}, {0x180, 13}, {0x2df, 14}, {0x167, 13}, {0x2c6, 14}, {0x160, 13}, {0xb, 11},   {0x8b, 11},  {0x81, 11},
    {0x43, 10},  {0x7d, 11},  {0xf7, 12},  {0xe9, 12},  {0xe5, 12},  {0xdb, 12},  {0x189, 13}, {0x2e7, 14}, {0x2e1, 14},
    {0x2d0, 14}, {0x375, 15}, {0x372, 15}, {0x1b7, 14}, {0x4, 10},   {0xf3, 12},  {0x78, 11},  {0x76, 11},  {0x73, 11},
    {0xe3, 12},  {0xdf, 12},  {0x18c, 13}, {0x2ea, 14}, {0x2e6, 14}, {0x2e0, 14}, {0x2d1, 14}, {0x2c8, 14}, {0x2c2, 14},
    {0xdf, 13},  {0x1b4, 14}, {0x6, 11},   {0xca, 12},  {0xe0, 12},  {0xde, 12},  {0xda, 12},  {0xd8, 12},  {0x185, 13},
    {0x182, 13}, {0x17d, 13}, {0x16c, 13}, {0x378, 15}, {0x1bb, 14}, {0x2c3, 14}, {0x1b8, 14}, {0x1b5, 14}, {0x6c0, 16},
    {0x4, 11},   {0x2eb, 14}, {0xd3, 12},  {0xd2, 12},  {0xd0, 12},  {0x172, 13}, {0x17b, 13}, {0x2de, 14}, {0x2d3, 14},
    {0x2ca, 14}, {0x6c7, 16}, {0x373, 15}, {0x36d, 15}, {0x36c, 15}, {0xd83, 17}, {0x361, 15}, {0x2, 11},   {0x179, 13},
    {0x171, 13}, {0x66, 11},  {0xbb, 12},  {0x2d6, 14}, {0x2d2, 14}, {0x166, 13}, {0x2c7, 14}, {0x2c5, 14}, {0x362, 15},
    {0x6c6, 16}, {0x367, 15}, {0xd82, 17}, {0x366, 15}, {0x1b2, 14}, {0x0, 11},   {0xc, 9},    {0xa, 8},    {0x7, 8},
    {0xb, 9},    {0xa, 9},    {0x11, 10},  {0xb, 10},   {0x9, 10},   {0xd, 11},   {0xc, 11},   {0xa, 11},   {0x7, 11},
    {0x5, 11},   {0x3, 11},   {0x1, 11},   {0x3, 8},
};

// Table 24: 16x16 values, row x, column y.
constexpr HUFFMAN_CODE kCodes24[] = {
    {0xf, 4},    {0xd, 4},    {0x2e, 6},   {0x50, 7},   {0x92, 8},   {0x106, 9},  {0xf8, 9},   {0x1b2, 10}, {0x1aa, 10},
    {0x29d, 11}, {0x28d, 11}, {0x289, 11}, {0x26d, 11}, {0x205, 11}, {0x408, 12}, {0x58, 9},   {0xe, 4},    {0xc, 4},
    {0x15, 5},   {0x26, 6},   {0x47, 7},   {0x82, 8},   {0x7a, 8},   {0xd8, 9},   {0xd1, 9},   {0xc6, 9},   {0x147, 10},
    {0x159, 10}, {0x13f, 10}, {0x129, 10}, {0x117, 10}, {0x2a, 8},   {0x2f, 6},   {0x16, 5},   {0x29, 6},   {0x4a, 7},
    {0x44, 7},   {0x80, 8},   {0x78, 8},   {0xdd, 9},   {0xcf, 9},   {0xc2, 9},   {0xb6, 9},   {0x154, 10}, {0x13b, 10},
    {0x127, 10}, {0x21d, 11}, {0x12, 7},   {0x51, 7},   {0x27, 6},   {0x4b, 7},   {0x46, 7},   {0x86, 8},   {0x7d, 8},
    {0x74, 8},   {0xdc, 9},   {0xcc, 9},   {0xbe, 9},   {0xb2, 9},   {0x145, 10}, {0x137, 10}, {0x125, 10}, {0x10f, 10},
    {0x10, 7},   {0x93, 8},   {0x48, 7},   {0x45, 7},   {0x87, 8},   {0x7f, 8},   {0x76, 8},   {0x70, 8},   {0xd2, 9},
    {0xc8, 9},   {0xbc, 9},   {0x160, 10}, {0x143, 10}, {0x132, 10}, {0x11d, 10}, {0x21c, 11}, {0xe, 7},    {0x107, 9},
    {0x42, 7},   {0x81, 8},   {0x7e, 8},   {0x77, 8},   {0x72, 8},   {0xd6, 9},   {0xca, 9},   {0xc0, 9},   {0xb4, 9},
    {0x155, 10}, {0x13d, 10}, {0x12d, 10}, {0x119, 10}, {0x106, 10}, {0xc, 7},    {0xf9, 9},   {0x7b, 8},   {0x79, 8},
    {0x75, 8},   {0x71, 8},   {0xd7, 9},   {0xce, 9},   {0xc3, 9},   {0xb9, 9},   {0x15b, 10}, {0x14a, 10}, {0x134, 10},
    {0x123, 10}, {0x110, 10}, {0x208, 11}, {0xa, 7},    {0x1b3, 10}, {0x73, 8},   {0x6f, 8},   {0x6d, 8},   {0xd3, 9},
    {0xcb, 9},   {0xc4, 9},   {0xbb, 9},   {0x161, 10}, {0x14c, 10}, {0x139, 10}, {0x12a, 10}, {0x11b, 10}, {0x213, 11},
    {0x17d, 11}, {0x11, 8},   {0x1ab, 10}, {0xd4, 9},   {0xd0, 9},   {0xcd, 9},   {0xc9, 9},   {0xc1, 9},   {0xba, 9},
    {0xb1, 9},   {0xa9, 9},   {0x140, 10}, {0x12f, 10}, {0x11e, 10}, {0x10c, 10}, {0x202, 11}, {0x179, 11}, {0x10, 8},
    {0x14f, 10}, {0xc7, 9},   {0xc5, 9},   {0xbf, 9},   {0xbd, 9},   {0xb5, 9},   {0xae, 9},   {0x14d, 10}, {0x141, 10},
    {0x131, 10}, {0x121, 10}, {0x113, 10}, {0x209, 11}, {0x17b, 11}, {0x173, 11}, {0xb, 8},    {0x29c, 11}, {0xb8, 9},
    {0xb7, 9},   {0xb3, 9},   {0xaf, 9},   {0x158, 10}, {0x14b, 10}, {0x13a, 10}, {0x130, 10}, {0x122, 10}, {0x115, 10},
    {0x212, 11}, {0x17f, 11}, {0x175, 11}, {0x16e, 11}, {0xa, 8},    {0x28c, 11}, {0x15a, 10}, {0xab, 9},   {0xa8, 9},
    {0xa4, 9},   {0x13e, 10}, {0x135, 10}, {0x12b, 10}, {0x11f, 10}, {0x114, 10}, {0x107, 10}, {0x201, 11}, {0x177, 11},
    {0x170, 11}, {0x16a, 11}, {0x6, 8},    {0x288, 11}, {0x142, 10}, {0x13c, 10}, {0x138, 10}, {0x133, 10}, {0x12e, 10},
    {0x124, 10}, {0x11c, 10}, {0x10d, 10}, {0x105, 10}, {0x200, 11}, {0x178, 11}, {0x172, 11}, {0x16c, 11}, {0x167, 11},
    {0x4, 8},    {0x26c, 11}, {0x12c, 10}, {0x128, 10}, {0x126, 10}, {0x120, 10}, {0x11a, 10}, {0x111, 10}, {0x10a, 10},
    {0x203, 11}, {0x17c, 11}, {0x176, 11}, {0x171, 11}, {0x16d, 11}, {0x169, 11}, {0x165, 11}, {0x2, 8},    {0x409, 12},
    {0x118, 10}, {0x116, 10}, {0x112, 10}, {0x10b, 10}, {0x108, 10}, {0x103, 10}, {0x17e, 11}, {0x17a, 11}, {0x174, 11},
    {0x16f, 11}, {0x16b, 11}, {0x168, 11}, {0x166, 11}, {0x164, 11}, {0x0, 8},    {0x2b, 8},   {0x14, 7},   {0x13, 7},
    {0x11, 7},   {0xf, 7},    {0xd, 7},    {0xb, 7},    {0x9, 7},    {0x7, 7},    {0x6, 7},    {0x4, 7},    {0x7, 8},
    {0x5, 8},    {0x3, 8},    {0x1, 8},    {0x3, 4},
};

// Count-1 table A: index is the quadruple vwxy read as a 4-bit number.
constexpr HUFFMAN_CODE kCodesQuadA[] = {
    {0x1, 1}, {0x5, 4}, {0x4, 4}, {0x5, 5}, {0x6, 4}, {0x5, 6}, {0x4, 5}, {0x4, 6},
    {0x7, 4}, {0x3, 5}, {0x6, 5}, {0x0, 6}, {0x7, 5}, {0x2, 6}, {0x3, 6}, {0x1, 6},
};

// Decoding is by lookup: a root table indexed by the next rootBits bits,
// whose entries are either a decoded symbol with the bits it used, or a link
// to a sub-table for the longer codes sharing that prefix. The tables are
// built by the compiler from the code lists above.
struct HUFFMAN_ENTRY {
  uint16_t value;   // leaf: symbol (x << 4 | y, or the quadruple); link: sub-table index
  uint8_t bits;     // leaf: bits used at this level; link: 0
  uint8_t subBits;  // link: width of the sub-table; leaf: 0
};

struct CODE_SET {
  const HUFFMAN_CODE* codes;
  int count;
  int columns;  // values of y per x; the symbol of code i is (i / columns, i % columns)
};

constexpr int kMaxRootBits = 8;
constexpr int kMaxSubBits = 6;

constexpr int LongestWithPrefix(const CODE_SET& set, uint32_t prefix, int prefixBits) {
  int longest = 0;
  for (int i = 0; i < set.count; ++i) {
    const int length = set.codes[i].length;
    if (length > prefixBits && (uint32_t{set.codes[i].code} >> (length - prefixBits)) == prefix && length > longest) {
      longest = length;
    }
  }
  return longest;
}

constexpr int RootBits(const CODE_SET& set) {
  const int longest = LongestWithPrefix(set, 0, 0);
  return longest < kMaxRootBits ? longest : kMaxRootBits;
}

constexpr int SubBits(int remaining) { return remaining < kMaxSubBits ? remaining : kMaxSubBits; }

constexpr size_t TableSize(const CODE_SET& set, uint32_t prefix, int prefixBits, int width) {
  size_t size = size_t{1} << width;
  for (uint32_t index = 0; index < (1u << width); ++index) {
    const uint32_t extended = (prefix << width) | index;
    const int extendedBits = prefixBits + width;
    const int longest = LongestWithPrefix(set, extended, extendedBits);
    if (longest > extendedBits) {
      size += TableSize(set, extended, extendedBits, SubBits(longest - extendedBits));
    }
  }
  return size;
}

template <size_t N>
constexpr void FillTable(const CODE_SET& set, std::array<HUFFMAN_ENTRY, N>& out, size_t& next, size_t base,
                         uint32_t prefix, int prefixBits, int width) {
  for (uint32_t index = 0; index < (1u << width); ++index) {
    const uint32_t extended = (prefix << width) | index;
    const int extendedBits = prefixBits + width;
    HUFFMAN_ENTRY entry{0, static_cast<uint8_t>(width), 0};  // unused code space
    bool leaf = false;
    for (int i = 0; i < set.count && !leaf; ++i) {
      const int length = set.codes[i].length;
      if (length > prefixBits && length <= extendedBits &&
          uint32_t{set.codes[i].code} == (extended >> (extendedBits - length))) {
        const int symbol = ((i / set.columns) << 4) | (i % set.columns);
        entry = {static_cast<uint16_t>(symbol), static_cast<uint8_t>(length - prefixBits), 0};
        leaf = true;
      }
    }
    if (!leaf) {
      const int longest = LongestWithPrefix(set, extended, extendedBits);
      if (longest > extendedBits) {
        const int subBits = SubBits(longest - extendedBits);
        const size_t sub = next;
        next += size_t{1} << subBits;
        entry = {static_cast<uint16_t>(sub), 0, static_cast<uint8_t>(subBits)};
        FillTable(set, out, next, sub, extended, extendedBits, subBits);
      }
    }
    out[base + index] = entry;
  }
}

template <size_t N>
constexpr std::array<HUFFMAN_ENTRY, N> BuildTable(const CODE_SET& set) {
  std::array<HUFFMAN_ENTRY, N> out{};
  const int root = RootBits(set);
  size_t next = size_t{1} << root;
  FillTable(set, out, next, 0, 0, 0, root);
  return out;
}

constexpr size_t SizeOf(const CODE_SET& set) { return TableSize(set, 0, 0, RootBits(set)); }

constexpr CODE_SET kSet1{kCodes1, 4, 2};
constexpr CODE_SET kSet2{kCodes2, 9, 3};
constexpr CODE_SET kSet3{kCodes3, 9, 3};
constexpr CODE_SET kSet5{kCodes5, 16, 4};
constexpr CODE_SET kSet6{kCodes6, 16, 4};
constexpr CODE_SET kSet7{kCodes7, 36, 6};
constexpr CODE_SET kSet8{kCodes8, 36, 6};
constexpr CODE_SET kSet9{kCodes9, 36, 6};
constexpr CODE_SET kSet10{kCodes10, 64, 8};
constexpr CODE_SET kSet11{kCodes11, 64, 8};
constexpr CODE_SET kSet12{kCodes12, 64, 8};
constexpr CODE_SET kSet13{kCodes13, 256, 16};
constexpr CODE_SET kSet15{kCodes15, 256, 16};
constexpr CODE_SET kSet16{kCodes16, 256, 16};
constexpr CODE_SET kSet24{kCodes24, 256, 16};
constexpr CODE_SET kSetQuadA{kCodesQuadA, 16, 16};

constexpr auto kTable1 = BuildTable<SizeOf(kSet1)>(kSet1);
constexpr auto kTable2 = BuildTable<SizeOf(kSet2)>(kSet2);
constexpr auto kTable3 = BuildTable<SizeOf(kSet3)>(kSet3);
constexpr auto kTable5 = BuildTable<SizeOf(kSet5)>(kSet5);
constexpr auto kTable6 = BuildTable<SizeOf(kSet6)>(kSet6);
constexpr auto kTable7 = BuildTable<SizeOf(kSet7)>(kSet7);
constexpr auto kTable8 = BuildTable<SizeOf(kSet8)>(kSet8);
constexpr auto kTable9 = BuildTable<SizeOf(kSet9)>(kSet9);
constexpr auto kTable10 = BuildTable<SizeOf(kSet10)>(kSet10);
constexpr auto kTable11 = BuildTable<SizeOf(kSet11)>(kSet11);
constexpr auto kTable12 = BuildTable<SizeOf(kSet12)>(kSet12);
constexpr auto kTable13 = BuildTable<SizeOf(kSet13)>(kSet13);
constexpr auto kTable15 = BuildTable<SizeOf(kSet15)>(kSet15);
constexpr auto kTable16 = BuildTable<SizeOf(kSet16)>(kSet16);
constexpr auto kTable24 = BuildTable<SizeOf(kSet24)>(kSet24);
constexpr auto kTableQuadA = BuildTable<SizeOf(kSetQuadA)>(kSetQuadA);

struct DECODE_TABLE {
  const HUFFMAN_ENTRY* entries;  // nullptr: the table codes no bits
  int rootBits;
  int linbits;
};

// table_select 0..31: the code table and the escape width.
constexpr DECODE_TABLE kBigValueTables[32] = {
    {nullptr, 0, 0},
    {kTable1.data(), RootBits(kSet1), 0},
    {kTable2.data(), RootBits(kSet2), 0},
    {kTable3.data(), RootBits(kSet3), 0},
    {nullptr, 0, 0},
    {kTable5.data(), RootBits(kSet5), 0},
    {kTable6.data(), RootBits(kSet6), 0},
    {kTable7.data(), RootBits(kSet7), 0},
    {kTable8.data(), RootBits(kSet8), 0},
    {kTable9.data(), RootBits(kSet9), 0},
    {kTable10.data(), RootBits(kSet10), 0},
    {kTable11.data(), RootBits(kSet11), 0},
    {kTable12.data(), RootBits(kSet12), 0},
    {kTable13.data(), RootBits(kSet13), 0},
    {nullptr, 0, 0},
    {kTable15.data(), RootBits(kSet15), 0},
    {kTable16.data(), RootBits(kSet16), 1},
    {kTable16.data(), RootBits(kSet16), 2},
    {kTable16.data(), RootBits(kSet16), 3},
    {kTable16.data(), RootBits(kSet16), 4},
    {kTable16.data(), RootBits(kSet16), 6},
    {kTable16.data(), RootBits(kSet16), 8},
    {kTable16.data(), RootBits(kSet16), 10},
    {kTable16.data(), RootBits(kSet16), 13},
    {kTable24.data(), RootBits(kSet24), 4},
    {kTable24.data(), RootBits(kSet24), 5},
    {kTable24.data(), RootBits(kSet24), 6},
    {kTable24.data(), RootBits(kSet24), 7},
    {kTable24.data(), RootBits(kSet24), 8},
    {kTable24.data(), RootBits(kSet24), 9},
    {kTable24.data(), RootBits(kSet24), 11},
    {kTable24.data(), RootBits(kSet24), 13},
};

inline int DecodeSymbol(MpegBitReader& reader, const HUFFMAN_ENTRY* entries, int rootBits) {
  const HUFFMAN_ENTRY* entry = &entries[reader.Peek(rootBits)];
  int width = rootBits;
  while (entry->subBits != 0) {
    reader.Skip(width);
    width = entry->subBits;
    entry = &entries[entry->value + reader.Peek(width)];
  }
  reader.Skip(entry->bits);
  return entry->value;
}

// DecodeSymbol on bits already loaded: `window` holds them from its most
// significant bit, `used` counts those taken. A code word has at most 19
// bits, and every path through the sub-tables takes no more than its code.
inline int DecodeSymbolFrom(uint64_t window, int& used, const HUFFMAN_ENTRY* entries, int rootBits) {
  const HUFFMAN_ENTRY* entry = &entries[window >> (64 - rootBits)];
  int width = rootBits;
  while (entry->subBits != 0) {
    used += width;
    width = entry->subBits;
    entry = &entries[entry->value + ((window << used) >> (64 - width))];
  }
  used += entry->bits;
  return entry->value;
}

inline int32_t TakeBits(uint64_t window, int& used, int count) {
  const int32_t value = static_cast<int32_t>((window << used) >> (64 - count));
  used += count;
  return value;
}

inline int32_t TakeSign(uint64_t window, int& used, int32_t magnitude) {
  if (magnitude == 0) return 0;
  return TakeBits(window, used, 1) != 0 ? -magnitude : magnitude;
}

inline int32_t ReadSign(MpegBitReader& reader, int32_t magnitude) {
  if (magnitude == 0) return 0;
  return reader.ReadFlag() ? -magnitude : magnitude;
}

}  // namespace

void DecodeBigValues(MpegBitReader& caller, size_t endBit, uint32_t tableSelect, int32_t* values, int begin, int end) {
  MpegBitReader reader = caller;  // a local copy keeps the position in a register
  const DECODE_TABLE& table = kBigValueTables[tableSelect & 31];
  int line = begin;
  if (table.entries != nullptr) {
    for (; line + 1 < end && reader.Position() < endBit; line += 2) {
      uint64_t window = 0;
      if (reader.PeekWide(window)) {
        // A pair takes at most 19 + 2 * (13 + 1) = 47 bits: one load.
        int used = 0;
        const int symbol = DecodeSymbolFrom(window, used, table.entries, table.rootBits);
        int32_t x = symbol >> 4;
        int32_t y = symbol & 15;
        if (table.linbits != 0 && x == 15) x += TakeBits(window, used, table.linbits);
        x = TakeSign(window, used, x);
        if (table.linbits != 0 && y == 15) y += TakeBits(window, used, table.linbits);
        y = TakeSign(window, used, y);
        reader.Skip(used);
        values[line] = x;
        values[line + 1] = y;
        continue;
      }
      const int symbol = DecodeSymbol(reader, table.entries, table.rootBits);
      int32_t x = symbol >> 4;
      int32_t y = symbol & 15;
      if (table.linbits != 0 && x == 15) x += static_cast<int32_t>(reader.Read(table.linbits));
      x = ReadSign(reader, x);
      if (table.linbits != 0 && y == 15) y += static_cast<int32_t>(reader.Read(table.linbits));
      y = ReadSign(reader, y);
      values[line] = x;
      values[line + 1] = y;
    }
  }
  for (; line < end; ++line) values[line] = 0;
  caller = reader;
}

int DecodeCount1(MpegBitReader& caller, size_t endBit, bool tableB, int32_t* values, int begin) {
  MpegBitReader reader = caller;  // a local copy keeps the position in a register
  int line = begin;
  while (line + 4 <= 576 && reader.Position() < endBit) {
    const int symbol =
        tableB ? static_cast<int>(15 - reader.Read(4)) : DecodeSymbol(reader, kTableQuadA.data(), RootBits(kSetQuadA));
    const int32_t v = ReadSign(reader, (symbol >> 3) & 1);
    const int32_t w = ReadSign(reader, (symbol >> 2) & 1);
    const int32_t x = ReadSign(reader, (symbol >> 1) & 1);
    const int32_t y = ReadSign(reader, symbol & 1);
    if (reader.Position() > endBit) break;
    values[line] = v;
    values[line + 1] = w;
    values[line + 2] = x;
    values[line + 3] = y;
    line += 4;
  }
  for (int i = line; i < 576; ++i) values[i] = 0;
  caller = reader;
  return line;
}
