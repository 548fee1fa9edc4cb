function [in, want] = read_reference()
% The batch {tt, xp, yp, dX, dY, DUT} and the eighteen outputs that
% varn_reference_dump wrote from the library in C++ (VARN_REFERENCE_FILE).
fid = fopen(getenv('VARN_REFERENCE_FILE'), 'r');
expect('true', 'reference file', fid >= 0);
data = fread(fid, Inf, 'double');
fclose(fid);
n = data(1);
widths = [2 1 1 1 1 1 9 9 9 1 1 1 1 2 2 11 1 1 1 1 1 1 2 1];
expect('true', 'reference file size', numel(data) == 1 + n * sum(widths));
ends = 1 + n * cumsum(widths);
arrays = arrayfun(@(k) reshape(data(ends(k) - n * widths(k) + 1 : ends(k)), n, widths(k)), ...
                  1:numel(widths), 'UniformOutput', false);
in = arrays(1:6);
want = arrays(7:end);
end
