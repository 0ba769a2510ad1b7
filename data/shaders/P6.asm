; Point light with a normal map and no specular map.
; Diffuse (s0), normal map (s1), attenuation volume (s2); c0 light colour.
ps_2_0
def c3, -1, 2, 1, 1
def c4, 4, 4, 4, 4
def c5, -0.003, -0.003, -0.003, -0.003
dcl t0.xy
dcl t2.xyz
dcl t3.xyz
dcl_2d s0
dcl_2d s1
dcl_volume s2
texld r0, t2, s2           ; a = attenuation
add r1, r0, c5
texkill r1                 ; discard where a < 0.003 (an attenuation byte of 0)
texld r2, t0, s0           ; d = diffuse
texld r3, t0, s1           ; n = normal map
mad r3.xyz, r3, c3.y, c3.x ; n = 2 n - 1
nrm r5.xyz, t3             ; l
dp3_sat r7.x, r5, r3
mul r8.xyz, r7.x, r2       ; sat(l . n) d
mov r8.w, r2.w
mul r8, r8, c0
mul r8.xyz, r8, r0
mul r8.xyz, r8, c4         ; times attenuation, times 4
mov oC0, r8
