function [in, want, state] = read_reference()
% The batch {tt, xp, yp, dX, dY, DUT} and the eighteen outputs that
% varn_reference_dump wrote from the library in C++ (VARN_REFERENCE_FILE);
% then its state vectors on the first state.m rows' matrices: state.given
% {r, v, a, lod} and state.out {r, v, a of GCRS -> ITRS; r, v, a of ITRS -> GCRS}.
fid = fopen(getenv('VARN_REFERENCE_FILE'), 'r');
expect('true', 'reference file', fid >= 0);
data = fread(fid, Inf, 'double');
fclose(fid);
n = data(1);
widths = [2 1 1 1 1 1 9 9 9 1 1 1 1 2 2 11 1 1 1 1 1 1 2 1];
ends = 1 + n * cumsum(widths);
m = data(ends(end) + 1);
expect('true', 'reference file size', numel(data) == ends(end) + 1 + 28 * m);
arrays = arrayfun(@(k) reshape(data(ends(k) - n * widths(k) + 1 : ends(k)), n, widths(k)), ...
                  1:numel(widths), 'UniformOutput', false);
in = arrays(1:6);
want = arrays(7:end);
widths = [3 3 3 1 3 3 3 3 3 3];
ends = ends(end) + 1 + m * cumsum(widths);
arrays = arrayfun(@(k) reshape(data(ends(k) - m * widths(k) + 1 : ends(k)), m, widths(k)), ...
                  1:numel(widths), 'UniformOutput', false);
state = struct('m', m, 'given', {arrays(1:4)}, 'out', {arrays(5:end)});
end
