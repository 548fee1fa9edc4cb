function test_eop()
% varn_eop: every error, the warning, shapes and classes, the cache, a real file's nodes.
data = fullfile(fileparts(mfilename('fullpath')), '..', 'data');
c14 = fullfile(data, 'eopc04_14_2016-12.txt');
text = fileread(c14);
tt = [57756 69.184; 57756.5 0; 60000 0; NaN 0];   % node 2017-01-03 0h UTC, mid, outside, NaN
tmp = [tempname() '_%s%d_' char([195 169]) '.txt'];   % a '%' stays text; an e-acute, UTF-8 in Octave, opens
ids = 'MATLAB:varn_eop:';

% Every error in check order: arguments, or a file's text (real rows edited, the message
% naming the file, the line and the field); identifier; message.
t_msg = 'Input for file must be a character row vector or a string scalar.';
n_msg = 'Cannot open EOP file: the name holds a NUL or exceeds 4095 bytes.';
a4000 = repmat('a', 1, 4000);
e = @(from, to) strrep(text, from, to);
cases = {{c14, tt, tt}, 'nInput', 'One or two inputs required.'
  {c14, tt}, 'nOutput', 'Too many output arguments.'; {c14}, 'nOutput', 'Too many output arguments.'
  {42, tt}, 'NotText_file', t_msg; {['ab'; 'cd'], tt}, 'NotText_file', t_msg
  {'', tt}, 'NotText_file', t_msg; {c14, {1, 2}}, 'NonNumeric_tt', 'Input for tt must be numeric.'
  {c14, complex(tt)}, 'Complex_tt', 'Input for tt must be real.'
  {c14, sparse([1 2])}, 'Sparse_tt', 'Input for tt must be full.'
  {c14, zeros(2, 3)}, 'WrongDimension_tt', 'Input for tt must be of dimension nx2'
  {'Q', tt}, 'FileOpen', 'Cannot open EOP file ''Q'': No such file or directory.'
  {['a' char(0)], tt}, 'FileOpen', n_msg; {repmat('a', 1, 5000), tt}, 'FileOpen', n_msg
  {a4000, tt}, 'FileOpen', ['Cannot open EOP file ''' a4000 ''': File name too long.']
  e('0.109722', '0.10972x'), 'MalformedRow', ', line 16: malformed field x.'
  e('18  57740', '17  57739'), 'NotIncreasing', ', line 16: the MJD is not above that of the row before.'
  e('15  57768', '16  57769'), 'UnequalSpacing', ', line 44: the rows are not equally spaced.'
  text(1:strfind(text, '2016  12  19') - 1), 'TooFewRows', ' has fewer than four usable rows.'
  'Date MJD x y', 'UnknownFormat', ' is in no known format (EOP 14 C04, EOP 20 C04, finals2000A).'};
for k = 1:size(cases, 1)
  [a, id, msg] = cases{k, :};
  if ischar(a)
    f = fopen(tmp, 'w'); fwrite(f, a); fclose(f);
    a = {tmp, tt};
    msg = ['EOP file ''' tmp '''' msg];
  end
  nout = 1 + strcmp(id, 'nOutput') * (1 + 6 * (numel(a) == 2));   % one more than allowed
  expect('error', id, [ids id], msg, nout, @() varn_eop(a{:}));
end

% The file's node (to 1e-11, the TT -> UTC rounding), n x 1 doubles, logical flags; one output
% a struct of the columns, tt of another class converted, predicted rows flagged (finals).
state = warning('off', [ids 'outOfRange']);
out = cell(1, 7);
[out{:}] = varn_eop(c14, tt);
v = [out{[1:5 7]}];
expect('near', 'node', [0.080325 0.264049 -0.000060 -0.000127 0.5889489 0.0013554], v(1, :), 1e-11);
expect('true', 'double n x 1', isa(v, 'double') && isequal(size(v), [4 6]));
expect('same', 'predicted', false(4, 1), out{6});
fin = fullfile(data, 'finals2000A_2016-07.txt');
s = varn_eop(fin, int32([57580 68]));
expect('true', 'fields', isequal(fieldnames(s), {'xp'; 'yp'; 'dX'; 'dY'; 'DUT'; 'predicted'; 'lod'}));
[xp, yp] = varn_eop(fin, [57580 68]);
expect('same', 'int32 tt, two outputs, predicted', [xp yp true], [s.xp s.yp s.predicted]);

% The file alone: its rows as columns, bit for bit the file's numbers (LOD from ms, dX from mas;
% blank is NaN) and its P flags of pole, UT1 and nutation apart.
f15 = fullfile(data, 'finals2000A_2015-01.txt');
T = varn_eop(f15);
L = char(regexp(fileread(f15), '[^\n]+', 'match'));
num = @(c) str2double(cellstr(L(:, c)));
expect('true', 'table fields', isequal(fieldnames(T)', ...
       {'mjd', 'xp', 'yp', 'dX', 'dY', 'dut', 'lod', 'pred_pole', 'pred_ut1', 'pred_nut'}));
expect('same', 'mjd x y dX dY UT1-UTC LOD', [num(8:15) num(19:27) num(38:46) num(98:106) * 1e-3 ...
       num(117:125) * 1e-3 num(59:68) num(80:86) / 1000], [T.mjd T.xp T.yp T.dX T.dY T.dut T.lod]);
expect('same', 'flags', [L(:, 17) L(:, 58) L(:, 96)] == 'P', [T.pred_pole T.pred_ut1 T.pred_nut]);

% A changed file is read again, one of the same size with its time put back (touch -r, as
% cp -p leaves it) too: its change time moved (after a pause longer than the clock's tick).
x = {'0.080325', '0.1803250', '0.1803260'};   % the last: same size as the one before
for k = 1:3
  pause(0.05);
  f = fopen(tmp, 'w'); fwrite(f, strrep(text, '0.080325', x{k})); fclose(f);
  system(['touch -r ''' c14 ''' ''' tmp '''']);
  s = varn_eop(tmp, tt(1, :));
  expect('near', 'changed file', str2double(x{k}), s.xp, 1e-11);
end
delete(tmp);

% One warning per call, counting epochs outside but not NaN ones; none for n = 0.
warning('error', [ids 'outOfRange']);
z = varn_eop(c14, zeros(0, 2));
expect('true', 'n = 0', isequal(size(z.xp), [0 1]) && islogical(z.predicted) && isempty(z.DUT));
expect('error', 'warning', [ids 'outOfRange'], ['1 of 4 epochs lie outside the EOP table, ' ...
       'MJD 57739.00 to 57768.00 (UTC); their values are NaN.'], 1, @() varn_eop(c14, tt));
warning(state);
end
