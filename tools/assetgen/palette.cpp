#include "palette.h"

#include <algorithm>
#include <tuple>
#include <unordered_map>

namespace assetgen {
namespace {

struct Bin {
  int r, g, b;  // 0..255
  double n;     // pixel count
};

// Perceptual weights for distances: green matters most, blue least.
constexpr int kWr = 3, kWg = 4, kWb = 2;

inline int Dist(int r0, int g0, int b0, int r1, int g1, int b1) {
  int dr = r0 - r1, dg = g0 - g1, db = b0 - b1;
  return kWr * dr * dr + kWg * dg * dg + kWb * db * db;
}

inline std::uint32_t Pack(const Color& c) {
  auto q = [](float v) { return (std::uint32_t)(Clamp01(v) * 255.0f + 0.5f); };
  return q(c.r) << 16 | q(c.g) << 8 | q(c.b);
}

struct Cut {
  int begin, end;
  double sse;
};

double BoxError(const std::vector<Bin>& bins, int b, int e) {
  double n = 0, sr = 0, sg = 0, sb = 0;
  for (int i = b; i < e; ++i)
    n += bins[i].n, sr += bins[i].r * bins[i].n, sg += bins[i].g * bins[i].n,
        sb += bins[i].b * bins[i].n;
  double mr = sr / n, mg = sg / n, mb = sb / n, err = 0;
  for (int i = b; i < e; ++i) {
    double dr = bins[i].r - mr, dg = bins[i].g - mg, db = bins[i].b - mb;
    err += bins[i].n * (kWr * dr * dr + kWg * dg * dg + kWb * db * db);
  }
  return err;
}

}  // namespace

Indexed Quantise(const Image& im, const PaletteRules& rules) {
  Indexed out;
  out.width = im.width();
  out.height = im.height();
  out.pixels.assign(out.width * out.height, kKeyIndex);

  // Histogram of the opaque colours, at 6 bits a channel for the palette.
  std::unordered_map<std::uint32_t, double> hist;
  for (int y = 0; y < im.height(); ++y)
    for (int x = 0; x < im.width(); ++x) {
      const Color& c = im.at(x, y);
      if (c.a < 0.5f) continue;
      hist[Pack(c) & 0xfcfcfc] += 1;
    }
  std::vector<Bin> bins;
  bins.reserve(hist.size());
  for (auto& [k, n] : hist)
    bins.push_back(
        {(int)(k >> 16) + 2, (int)((k >> 8) & 255) + 2, (int)(k & 255) + 2, n});
  // The map's order is not fixed; the bins' order must be.
  std::sort(bins.begin(), bins.end(), [](const Bin& a, const Bin& b) {
    return std::tie(a.r, a.g, a.b) < std::tie(b.r, b.g, b.b);
  });

  // Entries free for the picture.
  std::vector<int> free;
  for (int i = 0; i < 256; ++i) {
    if (i == 0 || i == kKeyIndex) continue;
    if (i == 255 && rules.keepLastBlack) continue;
    free.push_back(i);
  }
  out.colours[0] = {0, 0, 0};
  out.colours[kKeyIndex] = {255, 0, 255};

  std::vector<int> pr, pg, pb;  // palette being built
  if (!bins.empty()) {
    std::vector<Cut> cuts{{0, (int)bins.size(), 0}};
    cuts[0].sse = BoxError(bins, 0, (int)bins.size());
    while (cuts.size() < free.size()) {
      int pick = -1;
      for (int i = 0; i < (int)cuts.size(); ++i)
        if (cuts[i].end - cuts[i].begin > 1 &&
            (pick < 0 || cuts[i].sse > cuts[pick].sse))
          pick = i;
      if (pick < 0 || cuts[pick].sse <= 0) break;
      Cut c = cuts[pick];
      // Split along the channel with the widest weighted spread.
      int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
      for (int i = c.begin; i < c.end; ++i) {
        int v[3] = {bins[i].r, bins[i].g, bins[i].b};
        for (int k = 0; k < 3; ++k)
          lo[k] = std::min(lo[k], v[k]), hi[k] = std::max(hi[k], v[k]);
      }
      int spread[3] = {(hi[0] - lo[0]) * kWr, (hi[1] - lo[1]) * kWg,
                       (hi[2] - lo[2]) * kWb};
      int ch = spread[1] >= spread[0] && spread[1] >= spread[2]
                   ? 1
                   : (spread[0] >= spread[2] ? 0 : 2);
      auto key = [ch](const Bin& b) {
        return ch == 0 ? b.r : (ch == 1 ? b.g : b.b);
      };
      std::stable_sort(
          bins.begin() + c.begin, bins.begin() + c.end,
          [&](const Bin& a, const Bin& b) { return key(a) < key(b); });
      double total = 0, run = 0;
      for (int i = c.begin; i < c.end; ++i) total += bins[i].n;
      int mid = c.begin + 1;
      for (int i = c.begin; i < c.end - 1; ++i) {
        run += bins[i].n;
        mid = i + 1;
        if (run >= total / 2) break;
      }
      cuts[pick] = {c.begin, mid, BoxError(bins, c.begin, mid)};
      cuts.push_back({mid, c.end, BoxError(bins, mid, c.end)});
    }
    for (const Cut& c : cuts) {
      double n = 0, sr = 0, sg = 0, sb = 0;
      for (int i = c.begin; i < c.end; ++i)
        n += bins[i].n, sr += bins[i].r * bins[i].n,
            sg += bins[i].g * bins[i].n, sb += bins[i].b * bins[i].n;
      pr.push_back((int)(sr / n + 0.5));
      pg.push_back((int)(sg / n + 0.5));
      pb.push_back((int)(sb / n + 0.5));
    }
    // A few rounds of refinement: each entry moves to the mean of the
    // colours nearest to it.
    std::vector<int> owner(bins.size());
    for (int round = 0; round < 4; ++round) {
      std::vector<double> n(pr.size()), sr(pr.size()), sg(pr.size()),
          sb(pr.size());
      for (size_t i = 0; i < bins.size(); ++i) {
        int best = 0, bd = 1 << 30;
        for (size_t p = 0; p < pr.size(); ++p) {
          int d = Dist(bins[i].r, bins[i].g, bins[i].b, pr[p], pg[p], pb[p]);
          if (d < bd) bd = d, best = (int)p;
        }
        n[best] += bins[i].n;
        sr[best] += bins[i].r * bins[i].n;
        sg[best] += bins[i].g * bins[i].n;
        sb[best] += bins[i].b * bins[i].n;
      }
      for (size_t p = 0; p < pr.size(); ++p)
        if (n[p] > 0) {
          pr[p] = (int)(sr[p] / n[p] + 0.5);
          pg[p] = (int)(sg[p] / n[p] + 0.5);
          pb[p] = (int)(sb[p] / n[p] + 0.5);
        }
    }
  }
  // Darkest entries first, so the palette reads like a ramp.
  std::vector<int> order(pr.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = (int)i;
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return pr[a] * 3 + pg[a] * 4 + pb[a] * 2 <
           pr[b] * 3 + pg[b] * 4 + pb[b] * 2;
  });
  std::vector<int> slot(pr.size());
  for (size_t i = 0; i < order.size(); ++i) {
    int e = free[i];
    slot[order[i]] = e;
    out.colours[e] = {(std::uint8_t)pr[order[i]], (std::uint8_t)pg[order[i]],
                      (std::uint8_t)pb[order[i]]};
  }

  // Map every opaque pixel to its nearest entry (black index 0 included).
  std::unordered_map<std::uint32_t, std::uint8_t> cache;
  for (int y = 0; y < im.height(); ++y)
    for (int x = 0; x < im.width(); ++x) {
      const Color& c = im.at(x, y);
      if (c.a < 0.5f) continue;
      std::uint32_t k = Pack(c);
      auto it = cache.find(k);
      if (it == cache.end()) {
        int r = k >> 16, g = (k >> 8) & 255, b = k & 255;
        int best = 0, bd = Dist(r, g, b, 0, 0, 0);
        for (size_t p = 0; p < pr.size(); ++p) {
          int d = Dist(r, g, b, pr[p], pg[p], pb[p]);
          if (d < bd) bd = d, best = slot[p];
        }
        it = cache.emplace(k, (std::uint8_t)best).first;
      }
      out.pixels[y * out.width + x] = it->second;
    }
  return out;
}

}  // namespace assetgen
