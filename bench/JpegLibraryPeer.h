// The peer of the JPEG benchmarks: the bare libjpeg compressing RGB rows at a quality, as a program
// calling it directly does, into the destination the caller sets on the fresh compressor; and the
// timing of a save of ours against the library's, call by call.
// Include it after the project's headers: the library's TRUE and FALSE must not replace the
// platform's.
#pragma once
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

template <class SetDestination>
void CompressRgbWithLibrary(const unsigned char* rgb, std::size_t rowBytes, unsigned width, unsigned height,
                            int quality, SetDestination&& setDestination) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  setDestination(cinfo);
  cinfo.image_width = JDIMENSION(width);
  cinfo.image_height = JDIMENSION(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, FALSE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(rgb + std::size_t(cinfo.next_scanline) * rowBytes);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
}

inline bool SaveRgbWithLibrary(const std::string& path, const unsigned char* rgb, std::size_t rowBytes,
                               unsigned width, unsigned height, int quality) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  CompressRgbWithLibrary(rgb, rowBytes, width, height, quality,
                         [&](jpeg_compress_struct& cinfo) { jpeg_stdio_dest(&cinfo, file); });
  return std::fclose(file) == 0;
}

// Times saveOurs(path) against saveWithLibrary(path) into files of a new folder, each first in
// turn, as the one after finds the caches as the one before left them: "ms_ours", "ms_library"
// and "vs_library", the library's median time over ours.
template <class Ours, class Library>
void TimeSavesAgainstLibrary(benchmark::State& state, Ours&& saveOurs, Library&& saveWithLibrary) {
  char folder[] = "/tmp/wf-bench-save-XXXXXX";
  if (!mkdtemp(folder)) return state.SkipWithError("no folder");
  const std::string ours = std::string(folder) + "/ours.jpg", theirs = std::string(folder) + "/library.jpg";
  const auto seconds = [&](auto&& save, const std::string& path) {
    const auto start = std::chrono::steady_clock::now();
    if (!save(path)) state.SkipWithError("not saved");
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  std::vector<double> oursTimes, theirTimes;
  for (auto _ : state) {
    const bool oursFirst = oursTimes.size() % 2 == 0;
    if (oursFirst) oursTimes.push_back(seconds(saveOurs, ours));
    theirTimes.push_back(seconds(saveWithLibrary, theirs));
    if (!oursFirst) oursTimes.push_back(seconds(saveOurs, ours));
  }
  const auto median = [](std::vector<double> times) {
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
  };
  state.counters["ms_ours"] = 1e3 * median(oursTimes);
  state.counters["ms_library"] = 1e3 * median(theirTimes);
  state.counters["vs_library"] = median(theirTimes) / median(oursTimes);
  std::remove(ours.c_str());
  std::remove(theirs.c_str());
  rmdir(folder);
}
