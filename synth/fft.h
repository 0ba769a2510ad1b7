#pragma once
// The synthesizer's own complex FFT: radix 2, decimation in time, in place, exponent sign +,
// no scaling: X[k] = sum over t of x[t] e^(+2 pi i k t / n). With real coefficients a_m in bins
// m the real parts of the result are the cosine sum sum a_m cos(2 pi m t / n).

// data: n complex values, real and imaginary interleaved (2n floats); n a power of two >= 2.
// Single precision; the twiddle of each stage runs as a product recurrence from (1, 0).
void ComplexFft(float* data, int n);
