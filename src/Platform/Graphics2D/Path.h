#pragma once
// Path: figures of connected points, filled with the alternate (even-odd)
// rule and stroked as lines. A figure is open unless it came from
// AddPolygon. Lines added to an open figure continue it from its last point;
// StartFigure makes the next line begin a new one.
//
// A plain value: copy it to clone it. Scaling moves the points only (a pen's
// width stays as it is).

#include "Platform/Graphics2D/Geometry2D.h"

#include <span>
#include <vector>

namespace QZ::Platform {

class Path {
public:
  struct Figure {
    std::vector<PointF> points;
    bool closed = false;
  };

  // The next line begins a new figure.
  void StartFigure() { mStartNew = true; }
  // One line from a to b, joined to the current open figure.
  void AddLine(PointF a, PointF b);
  // Lines through all points in order, joined to the current open figure.
  void AddLines(std::span<const PointF> points);
  // A closed figure of its own through all points.
  void AddPolygon(std::span<const PointF> points);

  // A copy with every point multiplied by (sx, sy).
  Path Scaled(float sx, float sy) const;

  const std::vector<Figure>& GetFigures() const { return mFigures; }

private:
  std::vector<PointF>& OpenFigure();

  std::vector<Figure> mFigures;
  bool mStartNew = true;
};

} // namespace QZ::Platform
