function out = varn_call(nout, in)
% Call varn with the inputs of the cell in and exactly nout requested
% outputs; return them in a cell. With nout = 0 the cell holds ans.
if nout == 0
  varn(in{:});
  out = {ans};
else
  out = cell(1, nout);
  [out{:}] = varn(in{:});
end
end
