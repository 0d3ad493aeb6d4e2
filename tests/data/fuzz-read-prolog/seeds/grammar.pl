! comments, start facts and numbers far apart
network(x). start(x, 0).
arc(x, 0, 2000000000, "%0").
arc(x, 2000000000, 0, "a":"?").
final(x, 2000000000).
symbol(x, "\\\"").
END;
