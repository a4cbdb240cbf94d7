// Vector and matrix helpers for the scene's transforms. Row vectors are
// multiplied on the left (v' = v * M), coordinates are left-handed and angles
// are radians; all results are single precision.
#pragma once

#include "platform/platform_types.h"

D3DVECTOR& VecSet(D3DVECTOR& v, float x, float y, float z);
float VecLengthSq(const D3DVECTOR& v);
float VecLength(const D3DVECTOR& v);
D3DVECTOR& VecCross(D3DVECTOR& out, const D3DVECTOR& a, const D3DVECTOR& b);
float VecDot(const D3DVECTOR& a, const D3DVECTOR& b);

D3DMATRIX& MatIdentity(D3DMATRIX& m);

// out = a * b: with row vectors the product applies a first, then b.
// out must not alias a or b.
D3DMATRIX& MatMultiply(D3DMATRIX& out, const D3DMATRIX& a, const D3DMATRIX& b);

// Turns the y axis towards +z for a positive angle.
D3DMATRIX& MatRotateX(D3DMATRIX& m, float angle);
// Turns the x axis towards -z for a positive angle.
D3DMATRIX& MatRotateY(D3DMATRIX& m, float angle);

// Perspective projection; fov is the vertical field of view and aspect
// multiplies the horizontal scale. Returns E_INVALIDARG, leaving m as it was,
// when the depth range or the field of view is degenerate.
HRESULT MatPerspective(D3DMATRIX& m, float fov, float aspect, float nearZ, float farZ);

// Camera looking from eye towards at. Falls back to the world y and then the
// world z axis when up is parallel to the view direction. Returns
// E_INVALIDARG, leaving m as it was, when no view can be formed.
HRESULT MatLookAt(D3DMATRIX& m, const D3DVECTOR& eye, const D3DVECTOR& at, const D3DVECTOR& up);
