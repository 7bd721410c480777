#pragma once
// CGLPolygon: fills a polygon of any shape through the GLU tessellator, which
// breaks it into triangles and emits them straight as glBegin / glVertex3dv /
// glEnd, so inside a display list being compiled the triangles are recorded
// there. The outline is one contour under the odd winding rule. Without a
// combine callback the tessellator cannot add vertices where edges cross: a
// self-intersecting outline is drawn in part, and nothing is reported.
//
// One tessellator (made by the first CGLPolygon, never deleted) and one vertex
// buffer (three doubles a point, grown to the largest polygon, never shrunk)
// serve the whole process, without a lock: UI thread only, with an OpenGL
// context current.

#include "QZFramework/Utilities/Storage/PolylineT.h"

namespace QZ {

class CGLPolygon {
public:
  CGLPolygon();
  virtual ~CGLPolygon() = default;

  // Emits the filled polygon of the points, in order, as one contour.
  void Tessellate(const PolylineT<float>& polyline);
};

} // namespace QZ
