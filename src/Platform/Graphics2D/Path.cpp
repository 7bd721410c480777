#include "Platform/Graphics2D/Path.h"

namespace QZ::Platform {

std::vector<PointF>& Path::OpenFigure() {
  if (mStartNew || mFigures.empty() || mFigures.back().closed) {
    mFigures.push_back({});
    mStartNew = false;
  }
  return mFigures.back().points;
}

void Path::AddLine(PointF a, PointF b) {
  std::vector<PointF>& points = OpenFigure();
  points.push_back(a);
  points.push_back(b);
}

void Path::AddLines(std::span<const PointF> points) {
  if (points.empty())
    return;
  std::vector<PointF>& figure = OpenFigure();
  figure.insert(figure.end(), points.begin(), points.end());
}

void Path::AddPolygon(std::span<const PointF> points) {
  if (points.empty())
    return;
  mFigures.push_back({{points.begin(), points.end()}, true});
  mStartNew = true;
}

Path Path::Scaled(float sx, float sy) const {
  Path copy = *this;
  for (Figure& figure : copy.mFigures)
    for (PointF& p : figure.points)
      p = {p.x * sx, p.y * sy};
  return copy;
}

} // namespace QZ::Platform
