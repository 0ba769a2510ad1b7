; Per-pixel point light in tangent space.
; c4 light position (object space), c5 (1 / range, 0.5, 1, 0), c6 eye point.
; t0 = t1 = uv; t2 = attenuation coordinate L / range * 0.5 + 0.5 (w 0);
; t3 = light vector in tangent space; t4 = half vector (light + eye, tangent space).
vs_2_0
dcl_position v0
dcl_normal v1
dcl_texcoord v2
dcl_texcoord1 v3
dp4 oPos.x, v0, c0
dp4 oPos.y, v0, c1
dp4 oPos.z, v0, c2
dp4 oPos.w, v0, c3
crs r0.xyz, v3, v1       ; B = T x N
sub r1, c4, v0           ; L = light - P
dp3 r2.x, r1, v3
dp3 r2.y, r1, r0
dp3 r2.z, r1, v1         ; Lt
sub r3, c6, v0           ; E = eye - P
dp3 r4.x, r3, v3
dp3 r4.y, r3, r0
dp3 r4.z, r3, v1         ; Et
mov oT3.xyz, r2
add oT4.xyz, r2, r4      ; H = Lt + Et
mul r5.xyz, r1, c5.x
mad oT2.xyz, r5, c5.y, c5.y
mov oT2.w, c5.w
mov oT0, v2
mov oT1, v2
