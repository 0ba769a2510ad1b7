; Refraction: t0 = t1 = uv; t2 = projective screen coordinate (P by c12-c15); t3 = eye point.
vs_2_0
dcl_position v0
dcl_texcoord v1
dp4 oPos.x, v0, c0
dp4 oPos.y, v0, c1
dp4 oPos.z, v0, c2
dp4 oPos.w, v0, c3
mov oT0, v1
mov oT1, v1
dp4 oT2.x, v0, c12
dp4 oT2.y, v0, c13
dp4 oT2.z, v0, c14
dp4 oT2.w, v0, c15
mov oT3, c6
