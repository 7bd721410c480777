#include "QZFramework/Renderer/OpenGL/GLPolygon.h"

#include "QZFramework/Utilities/Storage/ArrayBuffer.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace QZ {

namespace {

GLUtesselator* sTessellator = nullptr;

// Vertex data must stay where it is until gluTessEndPolygon, so the buffer is
// grown before a polygon starts, never during one.
ArrayBuffer<double>& VertexBuffer() {
  static ArrayBuffer<double> sVertices;
  return sVertices;
}

// GLU takes every callback as a function without arguments.
template <class F>
_GLUfuncptr AsTessCallback(F* function) {
  return reinterpret_cast<_GLUfuncptr>(function);
}

} // namespace

CGLPolygon::CGLPolygon() {
  if (sTessellator != nullptr)
    return;
  sTessellator = gluNewTess();
  if (sTessellator == nullptr)
    return;
  gluTessNormal(sTessellator, 0.0, 0.0, 1.0);
  gluTessProperty(sTessellator, GLU_TESS_TOLERANCE, 1.0);
  gluTessCallback(sTessellator, GLU_TESS_VERTEX, AsTessCallback(&glVertex3dv));
  gluTessCallback(sTessellator, GLU_TESS_BEGIN, AsTessCallback(&glBegin));
  gluTessCallback(sTessellator, GLU_TESS_END, AsTessCallback(&glEnd));
}

void CGLPolygon::Tessellate(const PolylineT<float>& polyline) {
  if (sTessellator == nullptr)
    return;
  const std::uint32_t count = polyline.GetCount();
  if (count > UINT32_MAX / 3)
    return;
  ArrayBuffer<double>& buffer = VertexBuffer();
  if (buffer.GetCount() < std::uint64_t{count} * 3 && buffer.SetSize(count * 3) < 0)
    return;
  double* vertices = buffer.GetData();
  const PointT<float>* points = polyline.GetData();

  gluTessProperty(sTessellator, GLU_TESS_BOUNDARY_ONLY, GL_FALSE);
  gluTessBeginPolygon(sTessellator, vertices);
  gluTessBeginContour(sTessellator);
  for (std::uint32_t i = 0; i < count; ++i) {
    double* vertex = vertices + std::size_t{i} * 3;
    vertex[0] = points[i].x;
    vertex[1] = points[i].y;
    vertex[2] = 0.0;
    gluTessVertex(sTessellator, vertex, vertex);
  }
  gluTessEndContour(sTessellator);
  gluTessEndPolygon(sTessellator);
}

} // namespace QZ
