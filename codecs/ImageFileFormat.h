// Format ids of the image-file library: the type of an image, and the codec that the dispatch
// picks for it.
#pragma once

enum CImageFileFormat : unsigned long {
  keImageFormatUnknown = 0,  // decoding tries every format
  keImageFormatBMP = 1,
  keImageFormatGIF = 2,
  keImageFormatJPG = 3,
  keImageFormatPNG = 4,
  keImageFormatICO = 5,
  keImageFormatTIF = 6,
  keImageFormatTGA = 7,
  keImageFormatPCX = 8,
  keImageFormatWBMP = 9,
  keImageFormatWMF = 10,  // WMF and EMF, decoding only
  keImageFormatJP2 = 11,
  keImageFormatJPC = 12,
  keImageFormatPGX = 13,
  keImageFormatPNM = 14,
  keImageFormatRAS = 15,
  keImageFormatCount = 16,
};
