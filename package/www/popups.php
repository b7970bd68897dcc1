<!DOCTYPE html>
<html lang="en">
<head><meta charset="utf-8"><title>Popups</title><link rel="stylesheet" href="style.css"></head>
<body>
<header><h1>Popups</h1>Pages that open windows of their own.</header>
<main>
<nav><a href="index.php">Home</a></nav>
<section>
<button id="sized" onclick="window.open('popup.php?kind=sized', 'sized', 'width=420,height=300,left=60,top=60')">Open a 420 × 300 window</button>
<button id="plain" onclick="window.open('popup.php?kind=plain')">Open a window without a size</button>
<a id="blank" href="popup.php?kind=link" target="_blank">Link to a new window</a>
</section>
</main>
</body>
</html>
