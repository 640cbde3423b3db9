// Colour lookup lattices: a function of one to five channels into one to five channels,
// sampled once on a grid and interpolated over simplices for every pixel (for three inputs,
// tetrahedral interpolation in the cube cell). Two members: 8-bit (VTetra) and 16-bit
// (VTetra16) channels, alike but for the width of values, tables and weights.
#pragma once
#include <cstdint>
#include <vector>

namespace corvel {

// Thrown by value from the lattices and their grids.
struct VTetraErrors {
  struct BadChannelCount {};  // a count outside 1..5, an axis outside 0..4
  struct BadSampleCount {};   // an axis with too few or too many samples, an index outside it
  struct BadUserFunction {};  // a table filled without a function
};

constexpr int kVTetraMaxChannels = 5;

template <typename T>
struct VTetraTraits;
template <>
struct VTetraTraits<std::uint8_t> {
  static constexpr std::uint32_t kMax = 255;
  static constexpr int kFractionBits = 8;
};
template <>
struct VTetraTraits<std::uint16_t> {
  static constexpr std::uint32_t kMax = 65535;
  static constexpr int kFractionBits = 15;
};

// Sample positions per axis, ascending.
template <typename T>
class VTetraGridT {
 public:
  // Positions evenly spaced: i x max / (n - 1), rounded. Axis 0 needs 2..256 samples, the others
  // 1..256; a count of 1 makes every later axis 1.
  explicit VTetraGridT(const int (&counts)[kVTetraMaxChannels]);
  virtual ~VTetraGridT() = default;

  virtual int GetSampleCount(int axis) const;
  virtual T GetPosition(int axis, int index) const;
  virtual void SetPosition(int axis, int index, T value);

 private:
  void Check(int axis, int index) const;
  int counts_[kVTetraMaxChannels];
  std::vector<T> positions_[kVTetraMaxChannels];
};

template <typename T>
class VTetraFunctionT {
 public:
  virtual ~VTetraFunctionT() = default;
  virtual void Evaluate(const T* inputs, T* outputs) = 0;
};

template <typename T>
class VTetraT : public VTetraErrors {
 public:
  // Builds the axis tables from the grid and fills the table through the function.
  VTetraT(int inputs, int outputs, const VTetraGridT<T>& grid, VTetraFunctionT<T>* function);
  virtual ~VTetraT() = default;

  // For each of count pixels: reads the input channels at src, writes the output channels at
  // dst, then steps each pointer by its step in channels (0: the input or output count).
  void InterpolateRow(const T* src, T* dst, int count, int srcStep = 0, int dstStep = 0) const;

  int Inputs() const { return inputs_; }
  int Outputs() const { return outputs_; }
  const char* GetName() const { return name_; }
  void SetName(const char* name);
  // The axis tables: the cell that holds v and v's fraction inside it.
  int CellIndex(int axis, std::uint32_t v) const { return index_[axis][v]; }
  std::uint32_t CellFraction(int axis, std::uint32_t v) const { return fraction_[axis][v]; }

 private:
  void BuildAxisTable(int axis, const VTetraGridT<T>& grid);
  void FillTable(const VTetraGridT<T>& grid);

  std::uint8_t channelFlags_ = 0;
  int inputs_;
  int outputs_;
  int samples_[kVTetraMaxChannels] = {1, 1, 1, 1, 1};
  char name_[256] = {};
  std::uint32_t cornerOffsets_[31] = {};  // by subset of axes (bit i: axis i), minus 1
  std::uint32_t strides_[kVTetraMaxChannels] = {};
  VTetraFunctionT<T>* function_;
  std::vector<T> table_;
  std::vector<std::uint8_t> index_[kVTetraMaxChannels];
  std::vector<std::uint16_t> fraction_[kVTetraMaxChannels];
};

using VTetra = VTetraT<std::uint8_t>;
using VTetra16 = VTetraT<std::uint16_t>;
using VTetraGrid = VTetraGridT<std::uint8_t>;
using VTetraGrid16 = VTetraGridT<std::uint16_t>;
using VTetraFunction = VTetraFunctionT<std::uint8_t>;
using VTetraFunction16 = VTetraFunctionT<std::uint16_t>;

}  // namespace corvel
