#pragma once
// Pieces of the image driver that tests check on their own.
#include <windows.h>

#include <string>

// The rectangle an image fills on the page, in device units: a quarter inch
// left and right, half an inch top and bottom, the right and bottom edges
// measured from the physical page size.
RECT ImageTargetRect(int dpi_x, int dpi_y, int physical_width, int physical_height);

// Image type from the path's last "." on, in any letter case: ".BMP" 1,
// ".JPG" 3, ".PNG" 4, ".TIF" 6, anything else 0.
int ImageTypeOf(const std::string& path);

// TIFF files with more pages than this are not printed at all.
constexpr int kMaxTiffPages = 100;
