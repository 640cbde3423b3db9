#include "resources/tools/GroupPicture.h"

#include <algorithm>
#include <cmath>

namespace wf_tools {
namespace {

// An L whose foot is shorter than its stem: with equal arms its mirror image would also be a
// quarter turn of it, and mirrors could not be told from turns.
const std::vector<Vec> kMotif = {{-0.35, -0.5}, {-0.05, -0.5}, {-0.05, 0.2},
                                 {0.35, 0.2},   {0.35, 0.5},   {-0.35, 0.5}};

constexpr double kEdgeRoom = 1.3;

Vec Wrapped(Vec f) { return {f.x - std::floor(f.x), f.y - std::floor(f.y)}; }

// Where the motif has most room: far from its own images (so that no two copies touch) and, as
// the copies are drawn once each, far from the cell's edges.
Vec MotifPlace(const Group& group, double& room) {
  auto plane = [&](Vec f) { return f.x * group.a + f.y * group.b; };
  double edgeA = std::sqrt(Dot(group.a, group.a)), edgeB = std::sqrt(Dot(group.b, group.b));
  double area = std::fabs(group.a.x * group.b.y - group.a.y * group.b.x);
  Vec best{0.3, 0.3};
  room = 0;
  for (int i = 1; i < 48; ++i) {
    for (int j = 1; j < 48; ++j) {
      Vec f{i / 48.0, j / 48.0};
      double score = 1e9;
      std::vector<Vec> images;
      for (const auto& op : group.operations) images.push_back(Wrapped(op.Apply(f)));
      for (std::size_t k = 0; k < images.size(); ++k) {
        Vec g = images[k];
        // Distance to the edges (the cell's height over each pair of edges times the margin): a
        // copy needs less room there than between two copies.
        score = std::min({score, kEdgeRoom * g.x * area / edgeB, kEdgeRoom * (1 - g.x) * area / edgeB,
                          kEdgeRoom * g.y * area / edgeA, kEdgeRoom * (1 - g.y) * area / edgeA});
        for (std::size_t m = 0; m < images.size(); ++m) {
          for (int lx = -1; lx <= 1; ++lx) {
            for (int ly = -1; ly <= 1; ++ly) {
              if (m == k && lx == 0 && ly == 0) continue;
              Vec d = plane(images[m] + Vec{double(lx), double(ly)}) - plane(g);
              score = std::min(score, std::sqrt(Dot(d, d)) / 2);
            }
          }
        }
      }
      if (score > room + 1e-9) {
        room = score;
        best = f;
      }
    }
  }
  return best;
}

}  // namespace

PictureLayout LayOut(const Group& group) {
  PictureLayout layout;
  layout.a = group.a;
  layout.b = group.b;
  // The cell centred in the area above the label, its corner on the nearest pixel centre so that
  // a one-pixel edge stays sharp.
  Vec corners[4] = {{0, 0}, group.a, group.a + group.b, group.b};
  double left = 1e9, right = -1e9, top = 1e9, bottom = -1e9;
  for (Vec c : corners) {
    left = std::min(left, c.x), right = std::max(right, c.x);
    top = std::min(top, c.y), bottom = std::max(bottom, c.y);
  }
  layout.origin = {std::floor((kPictureSize - (right - left)) / 2 - left) + 0.5,
                   std::floor((kPictureSize - kLabelHeight - (bottom - top)) / 2 - top) + 0.5};

  double room = 0;
  Vec place = MotifPlace(group, room);
  double size = std::min(room * 1.3, 12.0);
  double det = group.a.x * group.b.y - group.a.y * group.b.x;
  auto toCell = [&](Vec p) {
    return Vec{(p.x * group.b.y - p.y * group.b.x) / det, (group.a.x * p.y - group.a.y * p.x) / det};
  };
  for (const auto& op : group.operations) {
    Vec image = Wrapped(op.Apply(place));
    std::vector<Vec> polygon;
    for (Vec corner : kMotif) {
      // The operation's linear part carries the shape's offsets along.
      Vec f = toCell(size * corner);
      Vec turned{op.r[0][0] * f.x + op.r[0][1] * f.y, op.r[1][0] * f.x + op.r[1][1] * f.y};
      polygon.push_back(layout.At(image + turned));
    }
    layout.motifs.push_back(polygon);
  }
  return layout;
}

}  // namespace wf_tools
