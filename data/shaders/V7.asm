; Glow taps: the position is already in clip space; four texture coordinates offset by c0-c3.
vs_1_1
dcl_position v0
dcl_texcoord v1
mov oPos, v0
add oT0, v1, c0
add oT1, v1, c1
add oT2, v1, c2
add oT3, v1, c3
