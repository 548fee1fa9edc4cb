function result = varn_update(varargin)
%VARN_UPDATE  Fetch current Earth orientation and leap-second files into
%             varn's data folder, in one explicit call.
%
%   varn_update
%   result = varn_update('finals', urls, 'leap', urls, 'force', true, 'timeout', 30)
%
%   The one function of varn that uses the network; varn_eop([], tt) and
%   the leap-second table then read what it put in the data folder, and no
%   computation ever downloads anything. Every name-value pair is optional:
%     'finals'   char, string or cell array of URLs of finals2000A.all,
%                tried in turn (default: the environment variable
%                VARN_FINALS_URLS, space-separated, else the IERS data
%                centre, then the USNO rapid service)
%     'leap'     the same for the leap-second file (VARN_LEAP_URLS, else
%                the IERS Leap_Second.dat, then the IANA leap-seconds.list)
%     'force'    true: fetch even a file fetched less than a day ago
%     'timeout'  seconds to wait for an answer before the next URL (30)
%
%   For each file (the leap-second file first, then finals2000A.all): the
%   download goes to a temporary file of the data folder and is checked by
%   the plug-ins themselves (varn_time for the leap-second file, varn_eop
%   for finals2000A.all, under the leap-second table in force). An HTML
%   page, a truncated file, a file that disagrees with the leap-second
%   table, or one that ends earlier than the file in place is refused; only
%   a file that passes replaces the one in place, by a rename, and then its
%   record <file>.json (source URL, fetch time, span) is written. A failed
%   update leaves the previous file and its record as they were.
%
%   The data folder: the environment variable VARN_DATA_DIR, else
%   $XDG_CACHE_HOME/varn or ~/.cache/varn (Linux), ~/Library/Caches/varn
%   (macOS), %LOCALAPPDATA%\varn (Windows).
%
%   Output: a 2 x 1 struct array, one element per file, with the fields
%     file     'leap-second file' or 'finals2000A.all'
%     status   'updated', 'up to date' (fetched less than a day ago) or
%              'failed' (the file in place kept)
%     path     the file in place after the call
%     url      the URL its data came from ('' when unknown or none)
%     fetched  its fetch time, ISO 8601 UTC ('' when unknown or none)
%     span     1 x 2 UTC MJD of its first and last row with values
%              (finals2000A.all), of the first step and the expiry day
%              (leap-second file); [] when no file is in place
%     message  one line: what happened, every URL refused and why
%   With no output the messages are printed.
%
%   Errors: MATLAB:varn_update:BadArgument for a name or value that is not
%   one of the above; MATLAB:varn_update:DataFolder when the data folder
%   cannot be made.
%
%   Example (a cron job can run the same in Python: python -m varn update):
%     varn_update('finals', 'https://mirror.example.org/iers/finals2000A.all')
%
%   See also VARN_EOP, VARN_TIME.
opts = struct('finals', {urls_from_env('VARN_FINALS_URLS', {
                'https://datacenter.iers.org/data/9/finals2000A.all'
                'https://maia.usno.navy.mil/ser7/finals2000A.all'})}, ...
              'leap', {urls_from_env('VARN_LEAP_URLS', {
                'https://hpiers.obspm.fr/iers/bul/bulc/Leap_Second.dat'
                'https://data.iana.org/time-zones/data/leap-seconds.list'})}, ...
              'force', false, 'timeout', 30);
opts = parse_options(opts, varargin);
folder = data_folder();
if ~exist(folder, 'dir')
  [ok, msg] = mkdir(folder);
  if ~ok
    error('MATLAB:varn_update:DataFolder', 'Cannot make the data folder %s: %s', folder, msg);
  end
end
r = update_one('leap', opts.leap, folder, opts);
r(2, 1) = update_one('finals', opts.finals, folder, opts);
if nargout > 0
  result = r;
else
  fprintf('%s\n', r.message);
end
end

function urls = urls_from_env(name, defaults)
urls = regexp(getenv(name), '\S+', 'match');
if isempty(urls)
  urls = defaults;
end
urls = urls(:);
end

function opts = parse_options(opts, args)
bad = 'MATLAB:varn_update:BadArgument';
if mod(numel(args), 2) ~= 0
  error(bad, 'Options come in name-value pairs: ''finals'', ''leap'', ''force'', ''timeout''.');
end
for k = 1:2:numel(args)
  name = args{k};
  value = args{k + 1};
  if ~((ischar(name) && size(name, 1) == 1) || (isa(name, 'string') && isscalar(name))) ...
      || ~any(strcmpi(name, {'finals', 'leap', 'force', 'timeout'}))
    error(bad, 'Option names are ''finals'', ''leap'', ''force'' and ''timeout''.');
  end
  name = lower(char(name));
  switch name
    case {'finals', 'leap'}
      if ischar(value) && size(value, 1) == 1
        value = {value};
      elseif isa(value, 'string')
        value = cellstr(value);
      end
      if ~iscellstr(value) || isempty(value) || any(cellfun(@(u) isempty(strtrim(u)), value(:)))
        error(bad, 'Option %s must be a URL or a list of URLs (char, string or cell array).', name);
      end
      value = strtrim(value(:));
    case 'force'
      if ~((islogical(value) || isnumeric(value)) && isscalar(value) && ~isnan(value))
        error(bad, 'Option force must be true or false.');
      end
      value = logical(value);
    case 'timeout'
      if ~(isnumeric(value) && isreal(value) && isscalar(value) && value > 0 && isfinite(value))
        error(bad, 'Option timeout must be a positive number of seconds.');
      end
      value = double(value);
  end
  opts.(name) = value;
end
end

function folder = data_folder()
% The data folder, by the rule every host of varn follows.
folder = getenv('VARN_DATA_DIR');
if ~isempty(folder)
  return;
end
if ispc
  base = getenv('LOCALAPPDATA');
  if isempty(base)
    base = fullfile(getenv('USERPROFILE'), 'AppData', 'Local');
  end
elseif ismac
  base = fullfile(getenv('HOME'), 'Library', 'Caches');
else
  base = getenv('XDG_CACHE_HOME');   % a relative one is invalid and ignored
  if isempty(base) || base(1) ~= '/'
    base = fullfile(getenv('HOME'), '.cache');
  end
end
folder = fullfile(base, 'varn');
end

function path = in_place(kind, folder)
% The file of this kind in the folder ('' if none); of the two leap-second
% layouts, the one fetched last.
if strcmp(kind, 'finals')
  names = {'finals2000A.all'};
else
  names = {'Leap_Second.dat', 'leap-seconds.list'};
end
path = '';
newest = -Inf;
for k = 1:numel(names)
  p = fullfile(folder, names{k});
  if exist(p, 'file')
    rec = read_record(p);
    if isempty(path) || rec.fetched_unix > newest
      path = p;
      newest = rec.fetched_unix;
    end
  end
end
end

function rec = read_record(path)
% The record of a data file; fetched_unix is -Inf when it is missing or unreadable.
rec = struct('url', '', 'fetched', '', 'fetched_unix', -Inf, 'span', []);
try
  got = jsondecode(fileread([path '.json']));
  for f = {'url', 'fetched', 'fetched_unix', 'span'}
    if isfield(got, f{1})
      rec.(f{1}) = got.(f{1});
    end
  end
  rec.span = reshape(double(rec.span), 1, []);
  if ~(isnumeric(rec.fetched_unix) && isscalar(rec.fetched_unix))
    rec.fetched_unix = -Inf;
  end
catch
end
end

function t = unix_now()
if exist('OCTAVE_VERSION', 'builtin')
  t = time();
else
  t = posixtime(datetime('now', 'TimeZone', 'UTC'));
end
end

function r = update_one(kind, urls, folder, opts)
if strcmp(kind, 'finals')
  label = 'finals2000A.all';
else
  label = 'leap-second file';
end
path = in_place(kind, folder);
if ~isempty(path)
  rec = read_record(path);
  age_s = unix_now() - rec.fetched_unix;
  if ~opts.force && age_s >= 0 && age_s < 86400
    r = outcome(label, 'up to date', path, sprintf('%s: up to date, fetched %.1f hours ago from %s', ...
                label, age_s / 3600, rec.url));
    return;
  end
end
refused = {};
for k = 1:numel(urls)
  url = urls{k};
  [~, base] = fileparts(tempname());
  part = fullfile(folder, sprintf('.%s.%s.part', strrep(label, ' ', '-'), base));
  try
    fetch(url, part, opts.timeout, label);
    if strcmp(kind, 'finals')
      [name, span] = check_finals(part, url, in_place(kind, folder));
    else
      [name, span] = check_leap(part, url, in_place(kind, folder));
    end
    target = fullfile(folder, name);
    now_unix = unix_now();
    rec = struct('file', name, 'url', url, ...
                 'fetched', iso_time(now_unix), ...
                 'fetched_unix', floor(now_unix), 'bytes', file_bytes(part), 'span', span);
    place(part, target);   % the data first: a record never names data not in place
    write_record(target, rec);
    if strcmp(kind, 'leap')   % the other layout's older file goes, with its record
      other = fullfile(folder, setdiff({'Leap_Second.dat', 'leap-seconds.list'}, {name}));
      other = other{1};
      if exist(other, 'file'), delete(other); end
      if exist([other '.json'], 'file'), delete([other '.json']); end
    end
    msg = sprintf('%s: updated from %s, %d bytes, data %s to %s', label, url, rec.bytes, ...
                  iso_date(span(1)), iso_date(span(2)));
    if ~isempty(refused)
      msg = [msg '; before it, ' strjoin(refused, '; before it, ')];
    end
    r = outcome(label, 'updated', target, msg);
    return;
  catch err
    if exist(part, 'file'), delete(part); end
    refused{end + 1} = strtrim(regexprep(err.message, '^\w+: ', '')); %#ok<AGROW>
  end
end
path = in_place(kind, folder);
if isempty(path)
  kept = sprintf('no file in place (%s)', folder);
else
  rec = read_record(path);
  kept = sprintf('the file in place kept (%s, fetched %s)', path, rec.fetched);
end
r = outcome(label, 'failed', path, sprintf('%s: update failed, %s: %s', label, kept, ...
            strjoin(refused, '; ')));
end

function r = outcome(label, status, path, message)
% The result of one file: status and message, with the data now in place.
r = struct('file', label, 'status', status, 'path', path, 'url', '', 'fetched', '', ...
           'span', [], 'message', message);
if ~isempty(path) && exist(path, 'file')
  rec = read_record(path);
  r.url = rec.url;
  r.fetched = rec.fetched;
  r.span = rec.span;
end
end

function fetch(url, part, timeout, label)
% The body at url into the file part; an error names the URL and the cause.
if isempty(regexp(lower(url), '^(https?|file)://', 'once'))
  error('varn_update:refused', '%s: not an http, https or file URL', url);
end
fprintf('%s: fetching %s ... ', label, url);
try
  octave = exist('OCTAVE_VERSION', 'builtin') ~= 0;
  if octave && isunix() && system('command -v curl > /dev/null 2>&1') == 0
    % Octave's web functions bound only the connection by their timeout: a
    % server that answers and then stalls would hold them for good. curl
    % gives up when less than a byte arrives in timeout seconds. The URL
    % and the file name go to the shell quoted.
    [status, out] = system(sprintf(['curl --fail --silent --show-error --location --proto ' ...
      '=http,https,file --connect-timeout %g --speed-limit 1 --speed-time %d --output %s %s 2>&1'], ...
      timeout, ceil(timeout), shell_quoted(part), shell_quoted(url)));
    if status ~= 0
      error('varn_update:curl', '%s', strtrim(regexprep(out, '^curl: \(\d+\) ', '')));
    end
  elseif exist('websave', 'file')
    websave(part, url, weboptions('Timeout', timeout, 'ContentType', 'text'));
  else
    % Octave before 8 has webread but no websave; the text is bytes.
    body = webread(url, weboptions('Timeout', timeout, 'ContentType', 'text'));
    f = fopen(part, 'w');
    fwrite(f, body);
    fclose(f);
  end
catch err
  fprintf('failed\n');
  error('varn_update:refused', '%s: %s', url, regexprep(err.message, '^\w+: ', ''));
end
fprintf('%d bytes\n', file_bytes(part));
text = fileread(part);
head = lower(text(1:min(end, 512)));
if ~isempty(regexp(head, '^\s*<', 'once')) || ~isempty(strfind(head, '<html'))
  error('varn_update:refused', '%s gave an HTML page, not the data file', url);
elseif isempty(text)
  error('varn_update:refused', '%s gave an empty file', url);
elseif text(end) ~= char(10)
  error('varn_update:refused', '%s gave a truncated file: its last line is cut off', url);
end
end

function q = shell_quoted(text)
% text for a POSIX shell: in single quotes, each of its own quotes closed,
% escaped and reopened, so that nothing in it is expanded.
q = ['''' strrep(text, '''', '''\''''') ''''];
end

function [name, span] = check_leap(part, url, old_path)
% The plug-in reads the download as it will read the file in place.
new = leap_table_of(part, url);
if ~isempty(old_path)
  old = leap_table_of(old_path, 'the file in place');
  m = size(old.steps, 1);
  if size(new.steps, 1) < m || ~isequal(new.steps(1:m, :), old.steps)
    error('varn_update:refused', ['%s gave a leap-second table without steps of the file in ' ...
          'place (%d steps where it has %d)'], url, size(new.steps, 1), m);
  end
  if new.expires_mjd < old.expires_mjd
    error('varn_update:refused', ['%s gave an older leap-second file: it expires on %s, the ' ...
          'file in place on %s'], url, iso_date(new.expires_mjd), iso_date(old.expires_mjd));
  end
end
if ~isempty(regexp(fileread(part), '(^|\n)#@', 'once'))
  name = 'leap-seconds.list';
else
  name = 'Leap_Second.dat';
end
first = new.steps(1, :);
span = [mjd_of(first(1), first(2), first(3)), new.expires_mjd];
end

function table = leap_table_of(path, url)
% The leap-second table of a file, read by varn_time through VARN_LEAP_SECONDS.
saved = getenv('VARN_LEAP_SECONDS');
setenv('VARN_LEAP_SECONDS', path);
try
  table = varn_time('leapseconds');
catch err
  setenv('VARN_LEAP_SECONDS', saved);
  error('varn_update:refused', '%s gave no valid leap-second file: %s', url, ...
        regexprep(err.message, '^\w+: ', ''));
end
setenv('VARN_LEAP_SECONDS', saved);
end

function [name, span] = check_finals(part, url, old_path)
% varn_eop reads the download under the leap-second table in force.
name = 'finals2000A.all';
try
  table = varn_eop(part);
catch err
  if strcmp(err.identifier, 'MATLAB:varn_eop:LeapSecondMismatch')
    why = 'a file that disagrees with the leap-second table';
  else
    why = 'no valid finals2000A file';
  end
  error('varn_update:refused', '%s gave %s: %s', url, why, regexprep(err.message, '^\w+: ', ''));
end
if ~is_finals(part)
  error('varn_update:refused', '%s gave an EOP file of another layout, not finals2000A', url);
end
span = [table.mjd(1), table.mjd(end)];
if ~isempty(old_path)
  try
    old = varn_eop(old_path);
  catch
    return;   % nothing usable in place: anything valid is better
  end
  if span(2) < old.mjd(end)
    error('varn_update:refused', ['%s gave an older file: its data end on %s, those of the file ' ...
          'in place on %s (delete that file to accept it)'], url, iso_date(span(2)), ...
          iso_date(old.mjd(end)));
  end
end
end

function yes = is_finals(path)
% finals2000A rows start with a two-digit year, month, day and the MJD with
% two decimals in fixed columns, and the file has no header.
f = fopen(path, 'r');
line = fgetl(f);
fclose(f);
yes = ischar(line) && ~isempty(regexp(line, '^[ \d]\d[ \d]\d[ \d]\d \d{5}\.\d\d ', 'once'));
end

function place(part, target)
% An atomic rename in the same folder (Octave's rename; MATLAB's movefile).
if exist('rename', 'builtin')
  [err, msg] = rename(part, target);
  ok = err == 0;
else
  [ok, msg] = movefile(part, target, 'f');
end
if ~ok
  error('varn_update:refused', 'cannot put the file in place: %s', msg);
end
end

function write_record(target, rec)
[~, base] = fileparts(tempname());
part = fullfile(fileparts(target), ['.' base '.part']);
f = fopen(part, 'w');
fwrite(f, [jsonencode(rec) char(10)]);
fclose(f);
place(part, [target '.json']);
end

function n = file_bytes(path)
d = dir(path);
n = d.bytes;
end

function m = mjd_of(year, month, day)
m = datenum(year, month, day) - 678942;   % datenum of 1858-11-17, MJD 0
end

function s = iso_time(unix_s)
% Whole seconds since 1970 as ISO 8601 UTC, counted in integers (a datevec
% of a fraction of a day may round to second 60).
days = floor(unix_s / 86400);
sec = floor(unix_s) - 86400 * days;
v = datevec(719529 + days);   % datenum of 1970-01-01
s = sprintf('%04d-%02d-%02dT%02d:%02d:%02d+00:00', v(1:3), floor(sec / 3600), ...
            floor(mod(sec, 3600) / 60), mod(sec, 60));
end

function s = iso_date(mjd)
s = datestr(floor(mjd) + 678942, 'yyyy-mm-dd');
end
