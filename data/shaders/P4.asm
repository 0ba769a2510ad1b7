; Full point light: diffuse (s0), normal map (s1), attenuation volume (s2), specular map (s3).
; c0 light colour, c1 specular colour, c2.x specular power.
ps_2_0
def c3, -1, 2, 1, 1
def c4, 4, 4, 4, 4
def c5, -0.003, -0.003, -0.003, -0.003
dcl t0.xy
dcl t2.xyz
dcl t3.xyz
dcl t4.xyz
dcl_2d s0
dcl_2d s1
dcl_volume s2
dcl_2d s3
texld r0, t2, s2           ; a = attenuation
add r1, r0, c5
texkill r1                 ; discard where a < 0.003 (an attenuation byte of 0)
texld r2, t0, s0           ; d = diffuse
texld r3, t0, s1           ; n = normal map
texld r4, t0, s3           ; s = specular map
mad r3.xyz, r3, c3.y, c3.x ; n = 2 n - 1
nrm r5.xyz, t3             ; l
nrm r6.xyz, t4             ; h
dp3_sat r7.x, r5, r3
mul r8.xyz, r7.x, r2       ; sat(l . n) d
dp3_sat r7.y, r6, r3
pow r7.y, r7.y, c2.x       ; sat(h . n) ^ power
mul r9.xyz, r7.y, r4
mul_sat r9.xyz, r9, c1     ; sat(sp s c1)
add r8.xyz, r8, r9
mov r8.w, r2.w
mul r8, r8, c0
mul r8.xyz, r8, r0
mul r8.xyz, r8, c4         ; times attenuation, times 4
mov oC0, r8
