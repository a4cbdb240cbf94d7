// Direct3D's row-vector convention for the tests: a point times a matrix.
#pragma once

#include "math/d3d_math.h"

// v as a row vector (x, y, z, 1) times m, the fourth coordinate dropped.
inline D3DVECTOR Transform(const D3DVECTOR& v, const D3DMATRIX& m)
{
    return D3DVECTOR{v.x * m._11 + v.y * m._21 + v.z * m._31 + m._41,
                     v.x * m._12 + v.y * m._22 + v.z * m._32 + m._42,
                     v.x * m._13 + v.y * m._23 + v.z * m._33 + m._43};
}
