; Point light without normal and specular maps: the normal is (0, 0, 1).
; Diffuse (s0), attenuation volume (s2); c0 light colour.
ps_2_0
def c4, 4, 4, 4, 4
def c5, -0.003, -0.003, -0.003, -0.003
dcl t0.xy
dcl t2.xyz
dcl t3.xyz
dcl_2d s0
dcl_volume s2
texld r0, t2, s2           ; a = attenuation
add r1, r0, c5
texkill r1                 ; discard where a < 0.003 (an attenuation byte of 0)
texld r2, t0, s0           ; d = diffuse
nrm r5.xyz, t3             ; l
mov_sat r7.x, r5.z         ; sat(l . (0, 0, 1))
mul r8.xyz, r7.x, r2
mov r8.w, r2.w
mul r8, r8, c0
mul r8.xyz, r8, r0
mul r8.xyz, r8, c4         ; times attenuation, times 4
mov oC0, r8
