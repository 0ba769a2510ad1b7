; The interpolated vertex colour.
ps_2_0
dcl v0
mov oC0, v0
