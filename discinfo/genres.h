#pragma once
// The ID3 version 1 genre table: 148 names indexed from 0.
#include <cstddef>

size_t GenreCount();
// The name of a genre, or "" for an index outside the table.
const char* GenreName(int index);
