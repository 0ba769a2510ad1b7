; Clip position and the texture coordinate as (u, v, 0, 1).
; c0-c3: the transposed world-view-projection matrix.
vs_1_1
dcl_position v0
dcl_texcoord v1
dp4 oPos.x, v0, c0
dp4 oPos.y, v0, c1
dp4 oPos.z, v0, c2
dp4 oPos.w, v0, c3
mov oT0, v1
