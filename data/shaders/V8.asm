; Screen quads and overlays: clip position, vertex colour, texture coordinate.
vs_1_1
dcl_position v0
dcl_color v1
dcl_texcoord v2
dp4 oPos.x, v0, c0
dp4 oPos.y, v0, c1
dp4 oPos.z, v0, c2
dp4 oPos.w, v0, c3
mov oD0, v1
mov oT0, v2
