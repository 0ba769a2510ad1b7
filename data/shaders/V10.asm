; Fog pass: colour = (fog colour, (clip z - fog start) / (fog end - fog start)), clamped to
; 0..1 on output. c7 = (fog start, 1 / (fog end - fog start), 0, 0); c16 = fog colour.
vs_2_0
dcl_position v0
dp4 r0.x, v0, c0
dp4 r0.y, v0, c1
dp4 r0.z, v0, c2
dp4 r0.w, v0, c3
mov oPos, r0
mov oD0.xyz, c16
sub r1.x, r0.z, c7.x
mul oD0.w, r1.x, c7.y
