function expect_varn_error(id, msg, nout, in)
% Check that varn(in{:}) with nout outputs fails with exactly this
% identifier and message. Octave puts "varn: " before the message of a MEX
% error; MATLAB does not: the text after it must match.
try
  varn_call(nout, in);
catch err
  got = regexprep(err.message, '^varn: ', '');
  if ~strcmp(err.identifier, id) || ~strcmp(got, msg)
    error('varn_test:fail', 'want error %s "%s", got %s "%s"', ...
          id, msg, err.identifier, got);
  end
  return;
end
error('varn_test:fail', 'want error %s "%s", got no error', id, msg);
end
