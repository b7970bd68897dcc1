<!DOCTYPE html>
<html lang="en">
<head><meta charset="utf-8"><title>Close</title><link rel="stylesheet" href="style.css"></head>
<body>
<header><h1>Close the window</h1>A page may end the application by closing its window.</header>
<main>
<nav><a href="index.php">Home</a></nav>
<section>
<p>Closing this window ends the application and every server it started.</p>
<button id="close" onclick="window.close()">Close the window</button>
</section>
</main>
</body>
</html>
