// The two value records that a drawing context hands down the path pipeline: how strokes look
// (PenStyle) and how coverage is computed (RenderSettings).
#pragma once
#include <cstdint>
#include <memory>

namespace corvel {

enum PenJoin : std::int32_t { keJoinMiter = 0, keJoinRound = 1, keJoinBevel = 2 };

struct PenCap {
  std::int32_t kind = 0;
  double length = 1.0;
  double width = 1.0;
};

class PenStyle {
 public:
  PenStyle() = default;
  PenStyle(const PenStyle& other) { *this = other; }
  // Copies the dash array into an array of its own.
  PenStyle& operator=(const PenStyle& other);

  // A null array or a negative count means no dashes; the offset is kept either way. False when
  // the array cannot be allocated.
  bool SetDash(const double* lengths, int count, double offset);
  const double* Dashes() const { return dashes_.get(); }
  int DashCount() const { return dashCount_; }
  double DashOffset() const { return dashOffset_; }

  std::int32_t join = keJoinMiter;
  // Start and end of a figure, start of a later piece (after a dash gap), end of an earlier one.
  PenCap caps[4];
  double width = 1.0;
  bool thinInAnyMatrix = false;
  double miterLimit = 8.0;

 private:
  std::unique_ptr<double[]> dashes_;
  std::int32_t dashCount_ = 0;
  double dashOffset_ = 0.0;
};

enum FillRule : std::int32_t { keFillNonZero = 0, keFillEvenOdd = 1 };

struct RenderSettings {
  std::int32_t renderMode = 2;      // the quality that picks the anti-aliasing driver
  std::int32_t antiAliasLevel = 8;  // sub-samples per pixel and axis, 1..8
  bool flag = true;
  double flatness = 0.05;
  std::int32_t fillRule = keFillNonZero;
  bool limitFlag = true;
  std::int32_t limit = 1000000;
};

// The settings a drawing context starts from, made when the module loads.
const RenderSettings& GetDefaultRenderSettings();

}  // namespace corvel
