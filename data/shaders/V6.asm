; Clip position; t0.xy = the normal by the rows c8 and c9 (the inverse transposed matrix).
vs_1_1
dcl_position v0
dcl_normal v1
dp4 oPos.x, v0, c0
dp4 oPos.y, v0, c1
dp4 oPos.z, v0, c2
dp4 oPos.w, v0, c3
dp3 oT0.x, v1, c8
dp3 oT0.y, v1, c9
