; only a comment

  ;another
