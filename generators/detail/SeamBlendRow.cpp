// A row's band pixels: decided by the kernel, mixed in lanes, and the rest queued for doubles.
#include "generators/detail/SeamBlends.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "core/CpuFeatures.h"

namespace corvel::detail {

namespace {

// The own samples and their partners mixed as the plan in doubles mixes them, truncated: four
// channels of one pixel in each register. A weight of 1 keeps the own sample exactly.
inline __m128i MixFour(__m128 own, __m128 partner, __m128 weight) {
  const __m128 mixed = _mm_add_ps(_mm_add_ps(partner, _mm_mul_ps(weight, _mm_sub_ps(own, partner))),
                                  _mm_set1_ps(kMixRoundingSlack));
  return _mm_cvttps_epi32(mixed);
}

// Pixels i of own and partner as four float channels.
inline __m128 Channels(__m128i pixels, int i) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i words = i < 2 ? _mm_unpacklo_epi8(pixels, zero) : _mm_unpackhi_epi8(pixels, zero);
  return _mm_cvtepi32_ps(i % 2 == 0 ? _mm_unpacklo_epi16(words, zero) : _mm_unpackhi_epi16(words, zero));
}

void MixRun(bool avx2, std::uint8_t* out, const std::uint8_t* partners, const float* weights, int count) {
  int i = avx2 ? MixRunAvx2(out, partners, weights, count) : 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i own = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + 4 * i));
    const __m128i partner = _mm_loadu_si128(reinterpret_cast<const __m128i*>(partners + 4 * i));
    const __m128i first = _mm_packs_epi32(
        MixFour(Channels(own, 0), Channels(partner, 0), _mm_set1_ps(weights[i])),
        MixFour(Channels(own, 1), Channels(partner, 1), _mm_set1_ps(weights[i + 1])));
    const __m128i second = _mm_packs_epi32(
        MixFour(Channels(own, 2), Channels(partner, 2), _mm_set1_ps(weights[i + 2])),
        MixFour(Channels(own, 3), Channels(partner, 3), _mm_set1_ps(weights[i + 3])));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), _mm_packus_epi16(first, second));
  }
  for (; i < count; ++i) {
    std::int32_t a, b;
    std::memcpy(&a, out + 4 * i, 4);
    std::memcpy(&b, partners + 4 * i, 4);
    const __m128i mixed = MixFour(Channels(_mm_cvtsi32_si128(a), 0), Channels(_mm_cvtsi32_si128(b), 0),
                                  _mm_set1_ps(weights[i]));
    const __m128i words = _mm_packs_epi32(mixed, mixed);
    a = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
    std::memcpy(out + 4 * i, &a, 4);
  }
}

// Marks the pixels of a run that mix two samples not both opaque to be planned, and counts them.
// The plan mixes straight colours per byte, so a sample of alpha 1 brings its colour at its whole
// weight: a partner a 256th of a pixel off, clear in one road and not in the other, moved such a
// mix by tens of levels. The pixels mixed in doubles, middle to middlesEnd in order along the
// row, keep their mix.
int PlanMixesNotOpaque(int x, const std::uint8_t* own, const std::uint8_t* partners, const float* weights,
                       int count, const int* middle, const int* middlesEnd, std::uint8_t* marks) {
  int planned = 0;
  const __m128i alpha = _mm_set1_epi32(std::int32_t(0xFF000000u));
  for (int i = 0; i < count; ++i) {
    // Four pixels at a time while every own sample and partner is opaque, as most are.
    for (; i + 4 <= count; i += 4) {
      const __m128i both = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(own + 4 * i)),
                                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(partners + 4 * i)));
      if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(both, alpha), alpha)) != 0xFFFF) break;
    }
    if (i == count) break;
    if ((own[4 * i + 3] & partners[4 * i + 3]) == 255 || weights[i] <= 0 || weights[i] >= 1) continue;
    while (middle < middlesEnd && *middle < x + i) ++middle;
    if (marks[x + i] != 0 || (middle < middlesEnd && *middle == x + i)) continue;
    marks[x + i] = 1;
    ++planned;
  }
  return planned;
}

// The samplers' widest group of lanes.
constexpr int kSampledTogether = 8;

// A mark for a pixel mixed in doubles by the plan's own fold, until the fold lines are done.
constexpr std::uint8_t kMixedAsPlanned = 3;

// Bit i set where marks[from + i] is, for the 64 marks from `from` on; those past width clear.
std::uint64_t MarkedBits(const std::uint8_t* marks, int from, int width) {
  auto load = [&](int at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(marks + at)); };
  auto set = [](__m128i sixteen) {
    return ~unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(sixteen, _mm_setzero_si128()))) & 0xFFFFu;
  };
  auto sixteen = [&](int at) { return set(load(at)); };
  if (from + 64 <= width) {
    // Most of a row's blocks hold no mark: told by one test of the four together.
    const __m128i a = load(from), b = load(from + 16), c = load(from + 32), d = load(from + 48);
    if (set(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))) == 0) return 0;
    return std::uint64_t{set(a)} | std::uint64_t{set(b)} << 16 | std::uint64_t{set(c)} << 32 |
           std::uint64_t{set(d)} << 48;
  }
  std::uint64_t bits = 0;
  for (int k = 0; k < 64 && from + k < width; k += 16) {
    const int at = from + k;
    unsigned set = 0;
    if (at + 16 <= width) {
      set = sixteen(at);
    } else if (width >= 16) {
      // The row's last sixteen, those before `at` shifted out.
      set = sixteen(width - 16) >> (at + 16 - width);
    } else {
      for (int i = at; i < width; ++i) set |= unsigned(marks[i] != 0) << (i - at);
    }
    bits |= std::uint64_t{set} << k;
  }
  return bits;
}

// The runs of set marks of a row, in order; how many. Found 64 marks at a time from their bits:
// most rows hold a few short runs far apart.
int FindRuns(const std::uint8_t* marks, int width, BlendRun* runs) {
  int count = 0, start = 0;
  bool inRun = false;
  for (int from = 0; from < width; from += 64) {
    const std::uint64_t bits = MarkedBits(marks, from, width);
    for (int at = 0; at < 64;) {
      if (!inRun) {
        const std::uint64_t set = bits >> at;
        if (set == 0) break;
        at += __builtin_ctzll(set);
        start = from + at;
        inRun = true;
      }
      const std::uint64_t clear = ~bits >> at;
      if (clear == 0) break;
      at += __builtin_ctzll(clear);
      runs[count++] = {start, from + at - start};
      inRun = false;
    }
  }
  if (inRun) runs[count++] = {start, width - start};
  return count;
}

// The band pixels of a row that lie on a fold line, within kOnFoldLine. Away from the bands the
// fold's copies meet without a step, as the unfeathered render takes them, save across a cell's
// edge: there every pixel about a crossing is taken, as it is folded from one side of the wrap or
// the other.
void OnFoldLines(const SeamBlendArgs& args, const SeamBlendRowPlace& place, int width,
                 const std::uint8_t* marks, std::vector<int>& on) {
  const bool wholePixels = place.step == 1 && place.start.x == std::floor(place.start.x) &&
                           place.start.y == std::floor(place.start.y);
  const double margin = wholePixels ? std::clamp(args.foldLineSpacing / 2, kOnSeam, kOnFoldLine)
                                    : kOnFoldLine;
  on.clear();
  for (int i = 0; i < args.foldLineCount; ++i) {
    if (args.cellEdge[i] && args.cellEdgesByWholeNumbers) continue;
    const double* c = args.foldLines[i];
    const double t0 = c[0] * place.start.x + c[1] * place.start.y + c[2], dt = c[0] * place.step;
    const bool bandsOnly = !args.cellEdge[i];
    auto take = [&](double from, double to) {
      if (!(from < width) || to < 0) return;
      // The first pixel from `from` on, the whole part taken off without a call to ceil.
      int x = from > 0 ? int(from) : 0;
      x += x < from;
      for (; x < width && x <= to; ++x)
        if (marks[x] || !bandsOnly) on.push_back(x);
    };
    if (dt == 0) {
      if (std::abs(t0 - std::round(t0)) < margin) take(0, width);
      continue;
    }
    // The crossings' ends lie half a line's spacing from any pixel: a product for a quotient
    // takes the same ones.
    const double last = t0 + (width - 1) * dt, perUnit = 1 / dt;
    for (double k = std::ceil(std::min(t0, last) - margin); k <= std::max(t0, last) + margin; ++k) {
      const double from = (k - margin - t0) * perUnit, to = (k + margin - t0) * perUnit;
      take(std::min(from, to), std::max(from, to));
    }
  }
}
}  // namespace
bool SeamBlendRow::Reserve(int width, const Point2D& origin, const CpuFeatures& cpu) {
  avx2_ = cpu.avx2;
  sample_ = ChooseBgraSampler(cpu);
  try {
    // Room past the row for the samplers' lanes and the kernel's.
    const std::size_t past = std::size_t(std::max(kSampledTogether, kMostBlendLanes));
    partners_.resize(2 * (std::size_t(width) + past));
    weights_.resize(std::size_t(width) + past);
    // The pixels mixed in doubles are queued for as many as two rows' width.
    const std::size_t middles = 2 * std::size_t(width);
    samples_.resize(4 * (middles + kSampledTogether));
    middlePlaces_.resize(middles);
    middleRows_.resize(middles);
    middleOut_.resize(middles);
    keptOut_.resize(middles);
    middleX_.resize(middles);
    middleY_.resize(middles);
    middleU_.resize(middles + 4);
    middleV_.resize(middles + 4);
    middleRegions_.resize(middles + 4);
    mixedRuns_.resize(std::size_t(width));
    runs_.resize(std::size_t(width) / 2 + 1);
    nearMiddles_.resize(std::size_t(width));
    onFoldLines_.reserve(SeamBlends::kMaxFoldLines * (std::size_t(width) + 2));
  } catch (const std::bad_alloc&) {
    return false;
  }
  width_ = width;
  queued_ = lastRowQueued_ = 0;
  return middles_.Reserve(2 * width, origin, sample_, avx2_);
}

int SeamBlendRow::Blend(SeamBlendKernel kernel, const SeamBlendArgs& args, const SeamBlendsInDoubles* middles,
                        const SeamBlendRowPlace& place, const BgraRows& source, const std::int32_t* positions,
                        const float* exact, int width, std::uint8_t* marks, std::uint8_t* out) {
  lastRow_ = out;
  lastRowQueued_ = queued_;
  OnFoldLines(args, place, width, marks, onFoldLines_);
  int mixedCount = 0, mixedRuns = 0;
  int planned = DecideRuns(kernel, args, middles, place, positions, exact, width, marks, out, mixedCount,
                           mixedRuns);
  if (mixedCount > 0) planned += MixRuns(source, mixedCount, mixedRuns, marks, out);
  planned += TakeFoldLines(middles, place, marks, out);
  // Those right on a fold line, unless folded as the plan folds, are planned after all.
  LeaveMarked(marks);
  return planned;
}

int SeamBlendRow::DecideRuns(SeamBlendKernel kernel, const SeamBlendArgs& args,
                             const SeamBlendsInDoubles* middles, const SeamBlendRowPlace& place,
                             const std::int32_t* positions, const float* exact, int width,
                             std::uint8_t* marks, std::uint8_t* out, int& mixedCount, int& mixedRuns) {
  // Marks come in runs across the bands, most of them a few pixels long: the kernel decides all
  // of a row's at once, and the parts of the runs that take some of their partners are sampled all
  // at once and mixed in place. Pixels without a partner between others that take one sample their
  // own position again and keep their own sample.
  const int runCount = FindRuns(marks, width, runs_.data());
  if (runCount == 0) return 0;
  BlendDecisions decided;
  decided.planned = marks;
  decided.partners = partners_.data();
  decided.weights = weights_.data();
  decided.nearMiddles = nearMiddles_.data();
  decided.roomPast = true;
  kernel(args, positions, exact, exact ? exact + width : nullptr, runs_.data(), runCount, decided);
  for (int r = 0, at = 0; r < runCount; at += runs_[std::size_t(r++)].count) {
    // Only the part from the first to the last pixel that takes some of its partner is mixed; the
    // partners are sampled up to the last such pixel of the row.
    const BlendRun& run = runs_[std::size_t(r)];
    if (run.first == run.last) continue;
    mixedRuns_[std::size_t(mixedRuns++)] = {run.x + run.first, at + run.first, run.last - run.first};
    mixedCount = at + run.last;
  }
  // Those flagged 2 queued, or else planned; folded as the plan folds, right on a fold line too.
  const std::uint8_t queuedMark = !middles ? 1 : middles->FoldsAsPlan() ? kMixedAsPlanned : 0;
  for (int i = 0; i < decided.nearMiddleCount; ++i) {
    const int x = nearMiddles_[std::size_t(i)];
    marks[x] = queuedMark;
    if (middles) Queue(place, x, out);
  }
  return decided.plannedCount + (middles ? 0 : decided.nearMiddleCount);
}

int SeamBlendRow::MixRuns(const BgraRows& source, int mixedCount, int mixedRuns, std::uint8_t* marks,
                          std::uint8_t* out) {
  // Padded with the last position to whole groups of lanes, which the samplers take in one go.
  const int padded = (mixedCount + kSampledTogether - 1) / kSampledTogether * kSampledTogether;
  for (int i = mixedCount; i < padded; ++i) {
    partners_[2 * std::size_t(i)] = partners_[2 * std::size_t(mixedCount) - 2];
    partners_[2 * std::size_t(i) + 1] = partners_[2 * std::size_t(mixedCount) - 1];
  }
  sample_(source, samples_.data(), partners_.data(), padded, SampleEdge::kClamp);
  int planned = 0;
  for (int i = 0; i < mixedRuns; ++i) {
    const MixedRun& run = mixedRuns_[std::size_t(i)];
    planned += PlanMixesNotOpaque(run.x, out + 4 * run.x, samples_.data() + 4 * run.at,
                                  weights_.data() + run.at, run.count, middlePlaces_.data() + lastRowQueued_,
                                  middlePlaces_.data() + queued_, marks);
    MixRun(avx2_, out + 4 * run.x, samples_.data() + 4 * run.at, weights_.data() + run.at, run.count);
  }
  return planned;
}

int SeamBlendRow::TakeFoldLines(const SeamBlendsInDoubles* middles, const SeamBlendRowPlace& place,
                                std::uint8_t* marks, std::uint8_t* out) {
  int planned = 0;
  const bool foldedAsPlanned = middles && middles->FoldsAsPlan();
  for (const int x : onFoldLines_) {
    if (marks[x] == kMixedAsPlanned) continue;
    if (marks[x] == 0 && foldedAsPlanned) {
      // Mixed again in doubles, the plan's fold taking it to the copy the plan shows.
      Queue(place, x, out);
      marks[x] = kMixedAsPlanned;
      continue;
    }
    planned += marks[x] == 0;
    marks[x] = 1;
  }
  for (int i = lastRowQueued_; i < queued_; ++i) {
    std::uint8_t& mark = marks[middlePlaces_[std::size_t(i)]];
    if (mark == kMixedAsPlanned) mark = 0;
  }
  return planned;
}

void SeamBlendRow::LeaveMarked(const std::uint8_t* marks) {
  for (int i = lastRowQueued_; i < queued_; ++i) {
    std::uint8_t*& at = middleOut_[std::size_t(i)];
    // Called again once the cell's edges are marked: those left already point nowhere in the row.
    if (at != unwritten_ && marks[(at - lastRow_) / 4] == 1) at = unwritten_;
  }
}

void SeamBlendRow::FinishMiddles(const SeamBlendsInDoubles* middles, const BgraRows& source,
                                 const PlanPixel& plan) {
  if (queued_ == 0) return;
  int* const regions = middleRegions_.data();
  middles->Locate(middleX_.data(), middleY_.data(), queued_, middleU_.data(), middleV_.data(), regions);
  // The pixels of regions queued in lanes are gathered region by region after the others, which
  // are marked in no region. In locals: the stores of pointers may alias the members.
  std::uint8_t* const* const outs = middleOut_.data();
  std::uint8_t** const keptOut = keptOut_.data();
  int inRegion[SeamBlends::kMaxRegions] = {};
  int kept = 0;
  for (int i = 0; i < queued_; ++i) {
    std::uint8_t* const at = outs[i];
    const int region = regions[i];
    if (at != unwritten_ && middles->QueuesInLanes(region)) {
      ++inRegion[region];
      continue;
    }
    regions[i] = -1;
    if (at == unwritten_) continue;
    if (middles->QueueAt(middleU_[std::size_t(i)], middleV_[std::size_t(i)], region, middles_))
      keptOut[kept++] = at;
    else
      plan(middleRows_[std::size_t(i)], middlePlaces_[std::size_t(i)],
           at - 4 * std::size_t(middlePlaces_[std::size_t(i)]));
  }
  kept = QueueInLanes(middles, inRegion, kept);
  queued_ = lastRowQueued_ = 0;
  if (kept == 0) return;
  // Mixed in the samples' room, which the runs are done with.
  const std::uint8_t* const mixed = samples_.data();
  middles_.Finish(source, samples_.data(), kept);
  for (int i = 0; i < kept; ++i) std::memcpy(keptOut[i], mixed + 4 * i, 4);
}

int SeamBlendRow::QueueInLanes(const SeamBlendsInDoubles* middles, const int* inRegion, int kept) {
  // Each region's pixels in turn from kept on, their positions where the plane points were.
  int next[SeamBlends::kMaxRegions];
  for (int r = 0, at = kept; r < SeamBlends::kMaxRegions; at += inRegion[r++]) next[r] = at;
  const int* const regions = middleRegions_.data();
  const double *const us = middleU_.data(), *const vs = middleV_.data();
  double *const laneUs = middleX_.data(), *const laneVs = middleY_.data();
  std::uint8_t* const* const outs = middleOut_.data();
  std::uint8_t** const keptOut = keptOut_.data();
  for (int i = 0; i < queued_; ++i) {
    const int region = regions[i];
    if (region < 0) continue;
    const int to = next[region]++;
    laneUs[to] = us[i];
    laneVs[to] = vs[i];
    keptOut[to] = outs[i];
  }
  for (int r = 0; r < SeamBlends::kMaxRegions; ++r) {
    if (inRegion[r] == 0) continue;
    const int first = next[r] - inRegion[r];
    middles->QueueInLanes(r, laneUs + first, laneVs + first, inRegion[r], middles_);
    kept = next[r];
  }
  return kept;
}

}  // namespace corvel::detail
