#pragma once
// Points in space and the signed volume of a tetrahedron, shared by point location and the
// writers that order element corners.

struct Point3 {
  double x, y, z;
};

// One sixth of (q2 - q1) . ((q4 - q1) x (q3 - q1)).
inline double signedVolume(const Point3& q1, const Point3& q2, const Point3& q3, const Point3& q4) {
  const double ax = q2.x - q1.x, ay = q2.y - q1.y, az = q2.z - q1.z;
  const double bx = q4.x - q1.x, by = q4.y - q1.y, bz = q4.z - q1.z;
  const double cx = q3.x - q1.x, cy = q3.y - q1.y, cz = q3.z - q1.z;
  const double crossX = by * cz - bz * cy;
  const double crossY = bz * cx - bx * cz;
  const double crossZ = bx * cy - by * cx;
  return (ax * crossX + ay * crossY + az * crossZ) / 6.0;
}
