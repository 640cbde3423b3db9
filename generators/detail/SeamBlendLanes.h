// The blend kernel written once over the compiler's vector types; each instruction-set file
// instantiates it with its own tag (Isa::kWidth lanes, Isa::Any and Isa::All of a lane mask), so
// the three never share a definition.
#pragma once
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "generators/detail/SeamBlends.h"

namespace corvel::detail {

template <int kWidth>
struct BlendVectors;
// The lane types, and the shuffles that take pairs (x, y) apart and put them back together.
template <>
struct BlendVectors<4> {
  typedef float Floats __attribute__((vector_size(16)));
  typedef std::int32_t Ints __attribute__((vector_size(16)));
  static constexpr std::int32_t kEvens[] = {0, 2, 4, 6};
  static constexpr std::int32_t kOdds[] = {1, 3, 5, 7};
  static constexpr std::int32_t kLowPairs[] = {0, 4, 1, 5};
  static constexpr std::int32_t kHighPairs[] = {2, 6, 3, 7};
};
template <>
struct BlendVectors<8> {
  typedef float Floats __attribute__((vector_size(32)));
  typedef std::int32_t Ints __attribute__((vector_size(32)));
  static constexpr std::int32_t kEvens[] = {0, 2, 4, 6, 8, 10, 12, 14};
  static constexpr std::int32_t kOdds[] = {1, 3, 5, 7, 9, 11, 13, 15};
  static constexpr std::int32_t kLowPairs[] = {0, 8, 1, 9, 2, 10, 3, 11};
  static constexpr std::int32_t kHighPairs[] = {4, 12, 5, 13, 6, 14, 7, 15};
};
template <>
struct BlendVectors<16> {
  typedef float Floats __attribute__((vector_size(64)));
  typedef std::int32_t Ints __attribute__((vector_size(64)));
  static constexpr std::int32_t kEvens[] = {0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30};
  static constexpr std::int32_t kOdds[] = {1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31};
  static constexpr std::int32_t kLowPairs[] = {0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23};
  static constexpr std::int32_t kHighPairs[] = {8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15, 31};
};

// The kernel's steps over one group of lanes, each forced inline so that the group stays in
// registers as in one body; the bends' code only where kBent, as the straight blends have none.
template <class Isa, bool kBent>
class SeamBlendLanes {
 public:
  static constexpr int kWidth = Isa::kWidth;
  static_assert(kWidth <= kMostBlendLanes);
  using V = BlendVectors<kWidth>;
  using F = typename V::Floats;
  using I = typename V::Ints;
  // Each lane's flag byte, the lanes in order: in a word up to eight lanes.
  using Flags = decltype(Isa::FlagBytes(I{}));

  // One group of lanes as the steps take it.
  struct Group {
    // The own 24.8 positions, and the points before truncation where given.
    I ownX{}, ownY{};
    F givenX{}, givenY{};
    // The own positions as floats, and the points the weight and the regions are taken on.
    F x, y, wx, wy;
    F zero, one;
    // Each lane's bits of the tests, and what its region decides: all ones or 0.
    I bits, decided, blended, left, inDoubles;
    // The partner's position, the own weight and how near an exact weight is left to doubles.
    F px, py, w, middle;
    // Bent seams: the bumps on the points the weight is taken on.
    F bumps[kMaxBlendBends];
  };

  SeamBlendLanes(const SeamBlendArgs& args, bool exact) : a_(args), exact_(exact) {
    // The shuffles' lanes as vectors; written as arrays, so that no vector crosses a call here.
    std::memcpy(&evens_, V::kEvens, sizeof evens_);
    std::memcpy(&odds_, V::kOdds, sizeof odds_);
    std::memcpy(&lowPairs_, V::kLowPairs, sizeof lowPairs_);
    std::memcpy(&highPairs_, V::kHighPairs, sizeof highPairs_);
    // Where the bits are set by masked ors, the tests bent by a bump come first, each with its
    // bit; a straight test's sum is the same without its nought times a bump. Elsewhere the tests
    // keep their order.
    int order[SeamBlendArgs::kMaxTests];
    for (int t = 0; t < a_.testCount; ++t) order[t] = t;
    if constexpr (Isa::kMaskRegisters) {
      const std::int32_t all = std::int32_t((std::uint32_t{1} << a_.testCount) - 1);
      const std::int32_t bent = kBent ? a_.bentTests : 0;
      int next = 0;
      for (std::int32_t left = bent; left != 0; left &= left - 1) order[next++] = __builtin_ctz(left);
      bentTestCount_ = next;
      for (std::int32_t left = all & ~bent; left != 0; left &= left - 1) order[next++] = __builtin_ctz(left);
    }
    // The tests' coefficients, once for all of a row's groups.
    for (int i = 0; i < a_.testCount; ++i) {
      const int t = order[i];
      for (int c = 0; c < 3; ++c) tests_[i][c] = Coefficient{} + a_.tests[t][c];
      if constexpr (Isa::kMaskRegisters) testBits_[i] = std::int32_t{1} << t;
      // A test is bent by one bump at most (MakeSeamBlendArgs sees to it): only that one is added.
      // An unbent test adds nought times the first rather than branch, which, taken one way or the
      // other in turn, costs more than the product.
      if constexpr (kBent) {
        testBendOf_[i] = a_.testBendOf[t];
        testBendTimes_[i] = Coefficient{} + a_.testBends[t][testBendOf_[i]];
      }
    }
  }

  // The n pixels from pairs (and xs, ys where given) as the group's lanes; lanes past n repeat
  // the last pixel.
  [[gnu::always_inline]] void Load(const std::int32_t* pairs, const float* xs, const float* ys, int n,
                                   Group& g) const {
    if constexpr (Isa::kPartial) {
      if (n < kWidth) return LoadFirstLanes(pairs, xs, ys, n, g);
    }
    // A short run's lanes past its end repeat its last position; nothing of them is stored.
    alignas(32) std::int32_t padded[2 * kWidth];
    alignas(32) float paddedX[kWidth], paddedY[kWidth];
    if (n < kWidth) {
      for (int i = 0; i < kWidth; ++i) {
        const int j = i < n ? i : n - 1;
        padded[2 * i] = pairs[2 * j];
        padded[2 * i + 1] = pairs[2 * j + 1];
        if (!exact_) continue;
        paddedX[i] = xs[j];
        paddedY[i] = ys[j];
      }
      pairs = padded;
      if (exact_) {
        xs = paddedX;
        ys = paddedY;
      }
    }
    I first, second;
    std::memcpy(&first, pairs, sizeof first);
    std::memcpy(&second, pairs + kWidth, sizeof second);
    g.ownX = __builtin_shuffle(first, second, evens_);
    g.ownY = __builtin_shuffle(first, second, odds_);
    if (exact_) {
      std::memcpy(&g.givenX, xs, sizeof g.givenX);
      std::memcpy(&g.givenY, ys, sizeof g.givenY);
    }
  }

  // The points the regions and the weight are taken on, and each lane's bits of the tests.
  [[gnu::always_inline]] void TestSides(Group& g) const {
    g.x = __builtin_convertvector(g.ownX, F);
    g.y = __builtin_convertvector(g.ownY, F);
    // The weight and the regions are stated on the truncated position, as if it lay half a unit
    // below the point it was truncated from (which lies anywhere in its unit): where that point is
    // given, it is taken itself, so that a weight that mixes to a whole level is not taken a hair
    // off it, and a pixel a hair inside a band still blends. On a skewed lattice a unit moves the
    // weight by some 0.05, and a partner of a sharp source weighing that much moves a mix by levels.
    g.wx = g.x;
    g.wy = g.y;
    if (exact_) {
      g.wx = g.givenX - 0.5f;
      g.wy = g.givenY - 0.5f;
    }
    g.zero = g.x - g.x;
    g.one = g.zero + 1.0f;
    g.decided = g.ownX != g.ownX;  // all false
    g.blended = g.left = g.inDoubles = g.bits = g.decided;
    g.px = g.py = g.middle = g.zero;
    g.w = g.one;
    if constexpr (kBent)
      for (int b = 0; b < a_.bendCount; ++b) g.bumps[b] = Bump(a_.bends[b], g);
    if constexpr (Isa::kMaskRegisters) return SetTestBits(g);
    // Test t sets bit t, the tests taken two at a time into two sets of bits: one set's steps
    // wait on each other, and the tests are many.
    auto inside = [&](int t) {
      const Coefficient* test = tests_[t];
      F sum = g.wx * test[0] + g.wy * test[1] + test[2];
      if constexpr (kBent) sum += testBendTimes_[t] * g.bumps[testBendOf_[t]];
      return sum < g.zero;
    };
    I even = g.bits, odd = g.bits, bit = g.bits + 1;
    int t = 0;
    for (; t + 1 < a_.testCount; t += 2, bit += bit + bit + bit) {
      even |= inside(t) & bit;
      odd |= inside(t + 1) & (bit + bit);
    }
    if (t < a_.testCount) even |= inside(t) & bit;
    g.bits = even | odd;
  }

  // Each lane's region: looked up in the table where there is one, else tested in turn.
  [[gnu::always_inline]] void FindRegions(Group& g) const {
    if constexpr (Isa::kLookUp) {
      if (a_.slotCount > 0) return LookUpRegions(g);
    }
    TestRegionsInTurn(g);
  }

  // The weight clamped and the partners' positions in pairs; the lanes planned (their bits in
  // planned), and those near an exact weight or left to doubles (in nearMiddle); each lane's flag
  // byte, 1 where planned, 2 where near a middle, else 0.
  [[gnu::always_inline]] Flags Settle(Group& g, I& outFirst, I& outSecond, int& planned,
                                      int& nearMiddle) const {
    const F zero = g.zero, one = g.one;
    const F offMiddle = g.w - 0.5f, fromMiddle = offMiddle < zero ? -offMiddle : offMiddle;
    const F offEnd = fromMiddle - 0.5f;
    // Where the weight reaches 0 or 1 the plan keeps one sample whole, which a weight a hair
    // inside would mix a level short.
    const I nearExactWeight = (fromMiddle < g.middle) | ((offEnd < zero ? -offEnd : offEnd) < g.middle);
    g.w = g.w < zero ? zero : (g.w > one ? one : g.w);
    const I partnerX = g.blended ? __builtin_convertvector(g.px, I) : g.ownX;
    const I partnerY = g.blended ? __builtin_convertvector(g.py, I) : g.ownY;
    outFirst = __builtin_shuffle(partnerX, partnerY, lowPairs_);
    outSecond = __builtin_shuffle(partnerX, partnerY, highPairs_);
    const I byPlan = (g.decided & ~g.left) == 0;
    const I near = (nearExactWeight | g.inDoubles) & ~byPlan;
    planned = Isa::Bits(byPlan);
    nearMiddle = Isa::Bits(near);
    return Isa::FlagBytes((byPlan & 1) | (near & 2));
  }

  // The group's first n lanes stored from lane k on, and their flags. Where partnersRoom, the
  // partners and weights past them are stored too, whole; where flagsRoom, the flags, those past
  // n as 0.
  [[gnu::always_inline]] static void Store(const I& outFirst, const I& outSecond, const F& w,
                                           const Flags& flags, int k, int n, bool partnersRoom,
                                           bool flagsRoom, std::uint8_t* planned, std::int32_t* partners,
                                           float* weights) {
    if (n == kWidth || partnersRoom) {
      std::memcpy(partners + 2 * k, &outFirst, sizeof outFirst);
      std::memcpy(partners + 2 * k + kWidth, &outSecond, sizeof outSecond);
      std::memcpy(weights + k, &w, sizeof w);
    }
    if constexpr (kWidth > 8) {
      // Whole, those past n as 0, or only the first n.
      Isa::StoreFlags(planned + k, flags, n, n == kWidth || flagsRoom);
    } else {
      const std::uint64_t bytes = n == kWidth ? flags : flags & ((std::uint64_t{1} << 8 * n) - 1);
      if (n == kWidth || flagsRoom)
        std::memcpy(planned + k, &bytes, kWidth);
      else
        for (int i = 0; i < n; ++i) planned[k + i] = std::uint8_t(bytes >> 8 * i);
    }
    if (n == kWidth || partnersRoom) return;
    if constexpr (Isa::kPartial) {
      Isa::StoreInts(partners + 2 * k, outFirst, 2 * n);
      Isa::StoreInts(partners + 2 * k + kWidth, outSecond, 2 * n - kWidth);
      Isa::StoreFloats(weights + k, w, n);
      return;
    }
    alignas(32) std::int32_t outPairs[2 * kWidth];
    alignas(32) float outW[kWidth];
    std::memcpy(outPairs, &outFirst, sizeof outFirst);
    std::memcpy(outPairs + kWidth, &outSecond, sizeof outSecond);
    std::memcpy(outW, &w, sizeof w);
    for (int i = 0; i < n; ++i) {
      partners[2 * (k + i)] = outPairs[2 * i];
      partners[2 * (k + i) + 1] = outPairs[2 * i + 1];
      weights[k + i] = outW[i];
    }
  }

 private:
  // A bent seam's bump on the points the weight is taken on, as SideBend::At takes it.
  [[gnu::always_inline]] F Bump(const SeamBlendArgs::Bend& bend, const Group& g) const {
    auto shape = [&](const float* c) {
      F t = g.wx * c[0] + g.wy * c[1] + c[2];
      if (bend.clamped) t = t < g.zero ? g.zero : (t > g.one ? g.one : t);
      const F rest = g.one - t;
      return bend.sShape ? (rest - t) * (t < rest ? t : rest) : t * rest;
    };
    const F first = shape(bend.t);
    if (!bend.twoBumps) return bend.amount * first;
    const F second = shape(bend.t2);
    return bend.amount *
           (bend.smaller ? (first < second ? first : second) : (first > second ? first : second));
  }

  // The own coordinate a partner is mapped from: bent, the point the weight is taken on, as a
  // partner across a bent seam's bulge can weigh all of a mix, where a truncated unit would move
  // it by levels; straight, the truncated one.
  [[gnu::always_inline]] static const F& PartnerFrom(const F& truncated, const F& weighed) {
    if constexpr (kBent) return weighed;
    return truncated;
  }

  // The blended weight's bends added to its straight part.
  [[gnu::always_inline]] F Bent(F w, const float* times, const Group& g) const {
    if constexpr (kBent)
      for (int b = 0; b < a_.bendCount; ++b) w += times[b] * g.bumps[b];
    return w;
  }

  // Each test's bit set by a masked or, the bent tests adding their bumps and the straight ones
  // nothing; two sets of bits, as in TestSides.
  [[gnu::always_inline]] void SetTestBits(Group& g) const {
    auto below = [&](int i, bool bent) {
      const Coefficient* test = tests_[i];
      F sum = g.wx * test[0] + g.wy * test[1] + test[2];
      if constexpr (kBent)
        if (bent) sum += testBendTimes_[i] * g.bumps[testBendOf_[i]];
      return Isa::LanesBelow(sum, g.zero);
    };
    I even = g.bits, odd = g.bits;
    auto setBits = [&](int from, int to, bool bent) {
      int i = from;
      for (; i + 1 < to; i += 2) {
        even = Isa::OrWhere(even, below(i, bent), testBits_[i]);
        odd = Isa::OrWhere(odd, below(i + 1, bent), testBits_[i + 1]);
      }
      if (i < to) even = Isa::OrWhere(even, below(i, bent), testBits_[i]);
    };
    setBits(0, bentTestCount_, true);
    setBits(bentTestCount_, a_.testCount, false);
    g.bits = even | odd;
  }

  // Load where the instruction set reads no further than the run, its last position repeated.
  [[gnu::always_inline]] void LoadFirstLanes(const std::int32_t* pairs, const float* xs, const float* ys,
                                             int n, Group& g) const {
    I last = evens_ - evens_ + (n - 1), iota = odds_ >> 1;
    last = iota < last ? iota : last;
    const I first = Isa::LoadInts(pairs, 2 * n), second = Isa::LoadInts(pairs + kWidth, 2 * n - kWidth);
    g.ownX = __builtin_shuffle(__builtin_shuffle(first, second, evens_), last);
    g.ownY = __builtin_shuffle(__builtin_shuffle(first, second, odds_), last);
    if (exact_) {
      g.givenX = __builtin_shuffle(Isa::LoadFloats(xs, n), last);
      g.givenY = __builtin_shuffle(Isa::LoadFloats(ys, n), last);
    }
  }

  // The leading regions plan, or leave to doubles, the lanes they hold first: one pass over them,
  // no branches on lanes. count is 0 or all of the leading regions.
  [[gnu::always_inline]] void Leading(const Group& g, int count, I& firstPlanned, I& firstInDoubles) const {
    if (count > 0 && a_.leadingAlike) {
      I inside = ((g.bits ^ a_.leadingFlip) & a_.leadingSingles) != 0;
      for (int i = 0; i < a_.leadingMultiCount; ++i) {
        const SeamBlendArgs::Region& r = a_.regions[a_.leadingMulti[i]];
        inside |= (g.bits & r.care) == r.want;
      }
      (a_.regions[0].inDoubles ? firstInDoubles : firstPlanned) = inside;
      return;
    }
    for (int i = 0; i < count; ++i) {
      const SeamBlendArgs::Region& r = a_.regions[i];
      const I inside = (g.bits & r.care) == r.want;
      if (r.inDoubles)
        firstInDoubles |= inside & ~firstPlanned;
      else
        firstPlanned |= inside & ~firstInDoubles;
    }
  }

  // The same sums of the region's coefficients, taken from its slot.
  [[gnu::always_inline]] void LookUpRegions(Group& g) const {
    const SeamBlendArgs::Slots& s = a_.slots;
    // The leading regions before the table's decide the lanes they hold whatever their slot.
    I firstPlanned = g.decided, firstInDoubles = g.decided;
    Leading(g, a_.tableFirst, firstPlanned, firstInDoubles);
    const I first = firstPlanned | firstInDoubles;
    const I slot = Isa::LookUp(a_.slotOf, g.bits);
    auto at = [&](const float* lanes) { return Isa::Permute(lanes, slot); };
    g.blended = Isa::Permute(s.blended, slot) & ~first;
    g.left = (Isa::Permute(s.byPlan, slot) & ~first) | firstPlanned;
    g.decided = g.left == g.left;  // every lane has a slot
    g.inDoubles = (Isa::Permute(s.inDoubles, slot) & ~first) | firstInDoubles;
    const F &ax = PartnerFrom(g.x, g.wx), &ay = PartnerFrom(g.y, g.wy);
    g.px = ax * at(s.partner[0]) + ay * at(s.partner[1]) + at(s.partner[2]);
    g.py = ax * at(s.partner[3]) + ay * at(s.partner[4]) + at(s.partner[5]);
    F w = g.wx * at(s.weight[0]) + g.wy * at(s.weight[1]) + at(s.weight[2]);
    if constexpr (kBent)
      for (int b = 0; b < a_.bendCount; ++b) w += at(s.weightBends[b]) * g.bumps[b];
    g.w = g.blended ? w : g.one;
    g.middle = at(exact_ ? s.middleExact : s.middle);
  }

  [[gnu::always_inline]] void TestRegionsInTurn(Group& g) const {
    I firstPlanned = g.decided, firstInDoubles = g.decided;
    Leading(g, a_.plannedFirst, firstPlanned, firstInDoubles);
    g.decided = firstPlanned | firstInDoubles;
    g.left = firstPlanned;
    g.inDoubles = firstInDoubles;
    // The lanes no region has taken yet, in a mask register where the instruction set has them.
    auto open = Open(g.decided);
    for (int i = a_.plannedFirst; i < a_.regionCount; ++i) {
      const SeamBlendArgs::Region& r = a_.regions[i];
      const auto held = Holds(g.bits, r, open);
      // Neighbours mostly lie in one or two regions: the others cost only their test.
      if (!AnyOf(held)) continue;
      const I inside = LanesOf(held);
      g.decided |= inside;
      g.left |= inside & r.planned;
      g.inDoubles |= inside & r.inDoubles;
      open = Without(open, held);
      if (r.blended) {
        g.blended |= inside;
        const F &ax = PartnerFrom(g.x, g.wx), &ay = PartnerFrom(g.y, g.wy);
        g.px = inside ? ax * r.partner[0] + ay * r.partner[1] + r.partner[2] : g.px;
        g.py = inside ? ax * r.partner[3] + ay * r.partner[4] + r.partner[5] : g.py;
        g.w = inside ? Bent(g.wx * r.weight[0] + g.wy * r.weight[1] + r.weight[2], r.weightBends, g) : g.w;
        g.middle = inside ? g.zero + (exact_ ? r.middleExact : r.middle) : g.middle;
      }
      if (!AnyOf(open)) break;
    }
  }

  // The lane sets of TestRegionsInTurn: mask registers where kMaskRegisters, else vectors.
  [[gnu::always_inline]] static auto Open(const I& decided) {
    if constexpr (Isa::kMaskRegisters)
      return Isa::Zeros(decided);
    else
      return ~decided;
  }
  template <class Lanes>
  [[gnu::always_inline]] static Lanes Holds(const I& bits, const SeamBlendArgs::Region& r,
                                            const Lanes& open) {
    if constexpr (Isa::kMaskRegisters)
      return Isa::Equal(bits & r.care, r.want, open);
    else
      return ((bits & r.care) == r.want) & open;
  }
  template <class Lanes>
  [[gnu::always_inline]] static bool AnyOf(const Lanes& lanes) {
    if constexpr (Isa::kMaskRegisters)
      return lanes != 0;
    else
      return Isa::Any(lanes);
  }
  template <class Lanes>
  [[gnu::always_inline]] static Lanes Without(const Lanes& lanes, const Lanes& taken) {
    return Lanes(lanes & ~taken);
  }
  template <class Lanes>
  [[gnu::always_inline]] static I LanesOf(const Lanes& lanes) {
    if constexpr (Isa::kMaskRegisters)
      return Isa::Vector(lanes);
    else
      return lanes;
  }

  const SeamBlendArgs& a_;
  const bool exact_;
  I evens_, odds_, lowPairs_, highPairs_;
  // The tests' coefficients, in every lane where the lanes' operations take no single float.
  using Coefficient = std::conditional_t<Isa::kMaskRegisters, float, F>;
  Coefficient tests_[SeamBlendArgs::kMaxTests][3];
  Coefficient testBendTimes_[SeamBlendArgs::kMaxTests];
  int testBendOf_[SeamBlendArgs::kMaxTests];
  // Where the bits are set by masked ors: each test's bit, and how many lead bent.
  std::int32_t testBits_[SeamBlendArgs::kMaxTests];
  int bentTestCount_ = 0;
};

template <class Isa, bool kBent>
void SeamBlendRuns(const SeamBlendArgs& a, const std::int32_t* positions, const float* exactX,
                   const float* exactY, BlendRun* runs, int runCount, BlendDecisions& d) {
  constexpr int kWidth = Isa::kWidth;
  using Lanes = SeamBlendLanes<Isa, kBent>;
  const Lanes lanes(a, exactX != nullptr);
  std::int32_t* partners = d.partners;
  float* weights = d.weights;
  for (int r = 0; r < runCount; ++r) {
    BlendRun& run = runs[r];
    const int x = run.x, count = run.count;
    // Lanes past a short run's end are stored where the next run's take their place; its flags
    // as 0 where they reach no further than the next run, as the marks between runs are 0.
    const bool next = r + 1 < runCount;
    const bool flagsRoom = next && x + kWidth <= runs[r + 1].x + runs[r + 1].count;
    int first = count, last = 0;
    for (int k = 0, done = 0; k < count; done = k + kWidth, k += kWidth) {
      // A run's last few lanes are taken with those before them, where it has that many: each lane
      // is decided alone, so the lanes taken twice store the same twice, and are counted once.
      if (count - k < kWidth && count >= kWidth) k = count - kWidth;
      const int n = count - k < kWidth ? count - k : kWidth;
      typename Lanes::Group g;
      // Where the flags are stored whole, the lanes past n are read whole too, rather than by
      // masked loads: the pixels up to the next run's end have positions, and nothing of theirs is
      // kept.
      lanes.Load(positions + 2 * (x + k), exactX ? exactX + x + k : nullptr,
                 exactY ? exactY + x + k : nullptr, flagsRoom ? kWidth : n, g);
      lanes.TestSides(g);
      lanes.FindRegions(g);
      typename Lanes::I outFirst, outSecond;
      int planned, nearMiddle;
      const typename Lanes::Flags flags = lanes.Settle(g, outFirst, outSecond, planned, nearMiddle);
      const int fresh = ((1 << n) - 1) & ~((1 << (done - k)) - 1);
      d.plannedCount += __builtin_popcount(planned & fresh);
      for (int m = nearMiddle & fresh; m != 0; m &= m - 1)
        d.nearMiddles[d.nearMiddleCount++] = x + k + __builtin_ctz(m);
      const int mixed = Isa::Bits(g.w != g.one) & fresh;
      if (mixed != 0) {
        first = first < k + __builtin_ctz(mixed) ? first : k + __builtin_ctz(mixed);
        last = last > k + 32 - __builtin_clz(mixed) ? last : k + 32 - __builtin_clz(mixed);
      }
      lanes.Store(outFirst, outSecond, g.w, flags, k, n, next || d.roomPast, flagsRoom, d.planned + x,
                  partners, weights);
    }
    run.first = first < last ? first : 0;
    run.last = first < last ? last : 0;
    partners += 2 * count;
    weights += count;
  }
}

template <class Isa>
void SeamBlendWith(const SeamBlendArgs& a, const std::int32_t* positions, const float* exactX,
                   const float* exactY, BlendRun* runs, int runCount, BlendDecisions& d) {
  if (a.bendCount > 0) return SeamBlendRuns<Isa, true>(a, positions, exactX, exactY, runs, runCount, d);
  SeamBlendRuns<Isa, false>(a, positions, exactX, exactY, runs, runCount, d);
}

}  // namespace corvel::detail
